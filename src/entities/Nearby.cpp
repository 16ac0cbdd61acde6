// SPDX-License-Identifier: MIT
#include "entities/Nearby.h"

#include <cmath>

#include "entities/GameEntity.h"
#include "shell/TaskList.h"

namespace {

// Cells as wide as a fighter's view: what it sees lies in the 3 x 3 cells around it (or 2 x 2).
const float kCellSize = 200.0f;
const float kInvCellSize = 1.0f / kCellSize;
const int32_t kFarthestCell = 1 << 20;  // places beyond share the outermost cells
// Cells share buckets by a hash of their place; two cells in one bucket only give more to test.
const int32_t kBuckets = 4096;
// Lists of the entities that are in no bucket (NearbySlot::cell).
const int32_t kNowhere = -1;  // not a finite point: met by every question
const int32_t kNew = -2;  // made during the pass, not yet placed
const int32_t kOut = -3;  // in no list
// A question over more cells than this (a noise heard 1000 units away) goes through every
// entity in order instead: cheaper than gathering most of them and putting them in order.
const int64_t kMostCells = 64;

// An entity in a cell, with its place on the ground as it was when last placed or moved: most
// of a cell's entities lie outside the square asked for, and are left out without reading the
// entity itself.
struct Placed {
    float x, z;
    int32_t rank;
    GameEntity3D* entity;
};

struct Grid {
    bool enabled = true;
    uint32_t serial = 0;  // of the current grid, never 0
    uint32_t pass = 0;  // the pass it was made in
    bool made = false;
    std::vector<std::vector<Placed>> buckets = std::vector<std::vector<Placed>>(kBuckets);
    std::vector<int32_t> usedBuckets;  // those not empty, to clear them quickly
    std::vector<Placed> nowhere;
    std::vector<Placed> fresh;  // made during the pass, placed at the next question
    // Every entity in task-list order: those of the list when the grid was made by rank, and
    // those made since (each in front of all before it) by -rank - 1. Gone ones are none.
    std::vector<GameEntity3D*> listed;
    std::vector<GameEntity3D*> front;
    float widest = 0.0f;  // the largest radius met
    // Which question last went through each bucket: two cells may share one.
    std::vector<uint32_t> bucketSeen = std::vector<uint32_t>(kBuckets, 0);
    uint32_t question = 0;

    std::vector<uint64_t> marks;  // all clear between questions (PutInOrder)

    // Answer lists, one per question under way (a question may be asked while the answer of
    // another is being walked: a fighter's shot makes a noise).
    std::vector<std::vector<NearbyEntities::Entry>*> answers;
    size_t answersInUse = 0;
};

// Never destroyed: gExecutor's destructor still deletes entities at program exit, and their
// destructors ask questions (an explosion's noise) after this file's globals would be gone.
Grid& grid = *new Grid;

int32_t EntityKind()
{
    static const int32_t kind = KindNumber(kGameEntityKind);
    return kind;
}

int LowestBit(uint64_t bits)
{
#if defined(__GNUC__)
    return __builtin_ctzll(bits);
#else
    int n = 0;
    while (!(bits & 1)) {
        bits >>= 1;
        ++n;
    }
    return n;
#endif
}

bool Finite(const Vector3D& p) { return std::isfinite(p.x) && std::isfinite(p.z); }

int32_t Cell(float v)
{
    float c = std::floor(v * kInvCellSize);
    if (!(c >= -kFarthestCell)) c = -kFarthestCell;  // and not a number
    if (c > kFarthestCell) c = kFarthestCell;
    return static_cast<int32_t>(c);
}

int32_t Bucket(int32_t cx, int32_t cz)
{
    uint32_t h = static_cast<uint32_t>(cx) * 0x9E3779B1u ^ static_cast<uint32_t>(cz) * 0x85EBCA77u;
    h ^= h >> 15;
    return static_cast<int32_t>(h & (kBuckets - 1));
}

bool Live()
{
    return grid.made && grid.enabled && gExecutor.InPass() && grid.pass == gExecutor.PassNumber();
}

std::vector<Placed>& ListOf(int32_t cell)
{
    if (cell == kNowhere) return grid.nowhere;
    if (cell == kNew) return grid.fresh;
    return grid.buckets[static_cast<size_t>(cell)];
}

void Put(GameEntity3D* e, int32_t cell)
{
    std::vector<Placed>& list = ListOf(cell);
    if (cell >= 0 && list.empty()) grid.usedBuckets.push_back(cell);
    e->nearby.cell = cell;
    e->nearby.index = static_cast<int32_t>(list.size());
    list.push_back(Placed{e->position.x, e->position.z, e->nearby.rank, e});
}

void Take(GameEntity3D* e)
{
    std::vector<Placed>& list = ListOf(e->nearby.cell);
    const size_t i = static_cast<size_t>(e->nearby.index);
    list[i] = list.back();
    list[i].entity->nearby.index = static_cast<int32_t>(i);
    list.pop_back();
    e->nearby.cell = kOut;
    e->nearby.index = -1;
}

int32_t CellOf(const GameEntity3D* e)
{
    if (!Finite(e->position)) return kNowhere;
    return Bucket(Cell(e->position.x), Cell(e->position.z));
}

void Place(GameEntity3D* e)
{
    grid.widest = std::fmax(grid.widest, e->radius);
    Put(e, CellOf(e));
}

void Make()
{
    for (int32_t b : grid.usedBuckets) grid.buckets[static_cast<size_t>(b)].clear();
    grid.usedBuckets.clear();
    grid.nowhere.clear();
    grid.fresh.clear();
    grid.listed.clear();
    grid.front.clear();
    grid.widest = 0.0f;
    if (++grid.serial == 0) grid.serial = 1;
    grid.pass = gExecutor.PassNumber();
    grid.made = true;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        if (task->FirstKindNumber() != EntityKind() || task->GetState() == TASK_FINISHED)
            continue;  // a finished task never runs again
        GameEntity3D* e = static_cast<GameEntity3D*>(task);
        e->nearby.grid = grid.serial;
        e->nearby.rank = static_cast<int32_t>(grid.listed.size());
        grid.listed.push_back(e);
        Place(e);
    }
}

// Places the entities made since the last question; their constructors are done by now.
void PlaceFresh()
{
    while (!grid.fresh.empty()) {
        GameEntity3D* e = grid.fresh.back().entity;
        Take(e);
        Place(e);
    }
}

bool Known(const GameEntity3D* e) { return e->nearby.grid == grid.serial && Live(); }

}  // namespace

NearbyEntities::NearbyEntities(const Vector3D& centre, float reach, bool widen,
                               const GameEntity3D* except)
{
    if (grid.answersInUse == grid.answers.size()) grid.answers.push_back(new std::vector<Entry>);
    found = grid.answers[grid.answersInUse++];

    if (!grid.enabled || !gExecutor.InPass()) {
        // The task list itself.
        inOrder = true;
        int32_t rank = 0;
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) {
            GameEntity3D* e = RunningEntity(task);
            if (e && e != except) Add(rank++, e);
        }
        return;
    }
    if (!Live()) Make();
    PlaceFresh();

    float r = reach + (widen ? grid.widest : 0.0f);
    // A little more than asked: the callers' distances are rounded.
    r += 1.0f + 1e-5f * (std::fabs(centre.x) + std::fabs(centre.z) + std::fabs(r));
    int64_t cells = kMostCells + 1;
    int32_t x0 = 0, x1 = 0, z0 = 0, z1 = 0;
    if (Finite(centre) && std::isfinite(r)) {
        x0 = Cell(centre.x - r);
        x1 = Cell(centre.x + r);
        z0 = Cell(centre.z - r);
        z1 = Cell(centre.z + r);
        cells = (int64_t(x1) - x0 + 1) * (int64_t(z1) - z0 + 1);
    }
    if (cells > kMostCells) {
        // Every entity, in task-list order: the newest first, then those of the list as it was.
        inOrder = true;
        for (size_t i = grid.front.size(); i-- > 0;)
            if (GameEntity3D* e = grid.front[i]; e && e != except) Add(e->nearby.rank, e);
        for (GameEntity3D* e : grid.listed)
            if (e && e != except) Add(e->nearby.rank, e);
        return;
    }

    // The cells hold more than the square asked for: what lies outside it is left out here,
    // from what the cells keep, without reading the entities (whose state KeepOnly and First
    // look at, together with the callers' own tests).
    if (++grid.question == 0) grid.question = 1;
    const uint32_t q = grid.question;
    for (int32_t cx = x0; cx <= x1; ++cx) {
        for (int32_t cz = z0; cz <= z1; ++cz) {
            const int32_t b = Bucket(cx, cz);
            if (grid.bucketSeen[static_cast<size_t>(b)] == q) continue;
            grid.bucketSeen[static_cast<size_t>(b)] = q;
            // Without a branch per entity (about half of them are in): each is written, and
            // counted only when in.
            const std::vector<Placed>& list = grid.buckets[static_cast<size_t>(b)];
            Entry* out = Room(list.size());
            size_t n = 0;
            for (const Placed& p : list) {
                out[n].rank = p.rank;
                out[n].entity = p.entity;
                // Without a branch: the walk over a cell stays as fast when half of it is out.
                n += size_t(std::fabs(p.x - centre.x) <= r) &
                     size_t(std::fabs(p.z - centre.z) <= r) & size_t(p.entity != except);
            }
            count += n;
        }
    }
    for (const Placed& p : grid.nowhere)
        if (p.entity != except) Add(p.rank, p.entity);
}

NearbyEntities::~NearbyEntities() { --grid.answersInUse; }

bool NearbyEntities::IsRunning(const GameEntity3D* entity)
{
    return entity->GetState() == TASK_RUNNING;
}

NearbyEntities::Entry* NearbyEntities::Room(size_t n)
{
    if (found->size() < count + n) found->resize(2 * (count + n));
    return found->data() + count;
}

void NearbyEntities::Add(int32_t rank, GameEntity3D* entity)
{
    Entry* e = Room(1);
    e->rank = rank;
    e->entity = entity;
    ++count;
}

void NearbyEntities::PutInOrder()
{
    inOrder = true;
    if (count <= 16) {
        std::sort(begin(), end(), [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
        return;
    }
    // Ranks are places in the list: mark each in a row of bits, one per entity of the grid,
    // and read the marks back in order. A fighter sees dozens of entities; this takes a few
    // operations for each and one for every 64 entities in between, where sorting them takes
    // dozens for each.
    const int64_t newest = static_cast<int64_t>(grid.front.size());
    const size_t words = (static_cast<size_t>(newest) + grid.listed.size()) / 64 + 1;
    if (grid.marks.size() < words) grid.marks.resize(words, 0);
    size_t first = words, last = 0;
    for (const Entry& e : *this) {
        const size_t i = static_cast<size_t>(e.rank + newest);
        grid.marks[i / 64] |= uint64_t(1) << (i % 64);
        first = std::min(first, i / 64);
        last = std::max(last, i / 64);
    }
    Entry* out = begin();
    for (size_t w = first; w <= last; ++w) {
        uint64_t bits = grid.marks[w];
        grid.marks[w] = 0;
        while (bits) {
            const size_t i = w * 64 + static_cast<size_t>(LowestBit(bits));
            bits &= bits - 1;
            const int64_t rank = static_cast<int64_t>(i) - newest;
            out->rank = static_cast<int32_t>(rank);
            out->entity = rank < 0 ? grid.front[static_cast<size_t>(-rank - 1)]
                                   : grid.listed[static_cast<size_t>(rank)];
            ++out;
        }
    }
}

void NearbyJoined(GameEntity3D* entity)
{
    entity->nearby = NearbySlot();
    if (!Live()) return;
    // Added at the front of the list: before everything there is.
    grid.front.push_back(entity);
    entity->nearby.rank = -static_cast<int32_t>(grid.front.size());
    entity->nearby.grid = grid.serial;
    Put(entity, kNew);
}

void NearbyLeft(GameEntity3D* entity)
{
    if (!Known(entity)) return;
    Take(entity);
    const int32_t rank = entity->nearby.rank;
    if (rank >= 0) grid.listed[static_cast<size_t>(rank)] = nullptr;
    else grid.front[static_cast<size_t>(-rank - 1)] = nullptr;
    entity->nearby.grid = 0;
}

void NearbyMoved(GameEntity3D* entity)
{
    if (!Known(entity) || entity->nearby.cell == kNew) return;
    grid.widest = std::fmax(grid.widest, entity->radius);
    const int32_t cell = CellOf(entity);
    if (cell == entity->nearby.cell) {
        Placed& p = ListOf(cell)[static_cast<size_t>(entity->nearby.index)];
        p.x = entity->position.x;
        p.z = entity->position.z;
        return;
    }
    Take(entity);
    Put(entity, cell);
}

void SetNearbyGrid(bool on)
{
    grid.enabled = on;
    grid.made = false;
}
