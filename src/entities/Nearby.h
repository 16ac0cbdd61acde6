// SPDX-License-Identifier: MIT
// Which running entities lie near a place: what the walks of the task pass ask for (a move's
// collision, what a fighter sees around it, a blast, a noise). During a pass of gExecutor a
// grid of square cells over the ground plane answers; it is made at the pass's first question
// and kept up as entities move, join and go. Outside a pass, or around a place that is no
// finite point, the task list is walked instead. Either way the answer comes in task-list
// order, so whatever depends on that order (which of two colliders blocks a move, the order of
// a fighter's steering requests and so the rounding of their sum) is as a walk would have it.
//
// Positions are expected to change during a pass only through Move (which reports them here)
// and in the constructors of entities made during it (read when the next question comes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "math/Vector.h"

class GameEntity3D;

// What the grid keeps in each entity (kept by Nearby.cpp alone).
struct NearbySlot {
    int32_t rank = 0;  // place in task-list order: lower runs earlier
    uint32_t grid = 0;  // the grid the rest belongs to; 0: none
    int32_t cell = -1;  // where in the grid: a cell, or one of the lists of Nearby.cpp
    int32_t index = -1;
};

// The entities other than `except` whose x and z lie within `reach` of centre's (reach widened
// by the largest entity radius when `widen`), and possibly others: callers make their own
// distance test with KeepOnly or First, which also leave out every entity that is not running.
// Nothing is allocated once the lists have grown to the size a battle needs.
class NearbyEntities {
public:
    NearbyEntities(const Vector3D& centre, float reach, bool widen, const GameEntity3D* except);
    ~NearbyEntities();
    NearbyEntities(const NearbyEntities&) = delete;
    NearbyEntities& operator=(const NearbyEntities&) = delete;

    struct Entry {
        int32_t rank;  // the entity's place in task-list order
        GameEntity3D* entity;
    };

    // Keeps the running entities for which keep(entity) is true, in task-list order.
    template <typename Keep>
    void KeepOnly(Keep keep)
    {
        Entry* kept = begin();
        for (const Entry& e : *this)
            if (IsRunning(e.entity) && keep(e.entity)) *kept++ = e;
        count = static_cast<size_t>(kept - begin());
        if (!inOrder) PutInOrder();
    }
    // The first running entity in task-list order for which keep(entity) is true, or none.
    template <typename Keep>
    GameEntity3D* First(Keep keep) const
    {
        const Entry* best = nullptr;
        for (const Entry& e : *this) {
            if ((!best || e.rank < best->rank) && IsRunning(e.entity) && keep(e.entity)) {
                best = &e;
                if (inOrder) break;
            }
        }
        return best ? best->entity : nullptr;
    }

    Entry* begin() const { return found->data(); }
    Entry* end() const { return found->data() + count; }
    size_t size() const { return count; }

private:
    static bool IsRunning(const GameEntity3D* entity);
    void Add(int32_t rank, GameEntity3D* entity);
    // Room for n more entries after the count (found only grows: its size is the room).
    Entry* Room(size_t n);
    void PutInOrder();

    std::vector<Entry>* found;
    size_t count = 0;
    bool inOrder = false;  // already in task-list order
};

// The entity half of the grid's upkeep: GameEntity3D calls these from its constructor, its
// destructor and after every Move that was not blocked.
void NearbyJoined(GameEntity3D* entity);
void NearbyLeft(GameEntity3D* entity);
void NearbyMoved(GameEntity3D* entity);

// Tests and the benchmark: false makes every question walk the task list, as the game did
// before it had the grid (the answers must not change).
void SetNearbyGrid(bool on);
