// SPDX-License-Identifier: MIT
// What the battle tests keep count of: who destroyed what (by the shooter's serial that every
// blast leaves in its victims) and what hurt the player's ship, looked at once per pass.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "entities/EntityTestKit.h"

namespace battle {

inline XWing* PlayerShip()
{
    std::vector<XWing*> ships = kit::Tasks<XWing>();
    return ships.empty() ? nullptr : ships.front();
}

// Runs a function as the last task of every pass (it is older than every entity).
class LastInPass : public Executable {
public:
    explicit LastInPass(std::function<void()> look) : Executable(0), f(std::move(look))
    {
        gExecutor.AddTask(this);
    }
    void Run() override { f(); }

private:
    std::function<void()> f;
};

// Who destroyed what, and what hurt the player's ship.
struct Tally {
    int fightersByPlayer = 0, factoriesByPlayer = 0, fightersByOthers = 0, factoriesByOthers = 0;
    int shipHits = 0, shipHitsFromOwnBolts = 0;
    int32_t shipHitPoints = 1000;
    std::set<uint32_t> counted;

    void Look(const XWing* ship, uint32_t shipSerial)
    {
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) {
            // Destroyed entities are still listed (finished or not) until the pass ends.
            if (!task->HasKindAt(kGameEntityKind, 0)) continue;
            auto* e = static_cast<GameEntity3D*>(task);
            if (e->hitPoints >= 1 || counted.count(e->serial)) continue;
            counted.insert(e->serial);
            bool player = e->lastHitBy == shipSerial;
            if (e->team == TEAM_FIGHTER) ++(player ? fightersByPlayer : fightersByOthers);
            else if (e->team == TEAM_FACTORY) ++(player ? factoriesByPlayer : factoriesByOthers);
        }
        if (ship && ship->hitPoints < shipHitPoints) {
            shipHits += (shipHitPoints - ship->hitPoints) / 100;
            if (ship->lastHitBy == shipSerial) ++shipHitsFromOwnBolts;
            shipHitPoints = ship->hitPoints;
        }
    }
};

}  // namespace battle
