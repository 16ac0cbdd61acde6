// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "shell/TaskList.h"

namespace {

// A task that writes what happens to it into a shared log: "c" when c runs, "alt:c" for the
// alternate action and "~c" when c is deleted.
class Probe : public Executable {
public:
    Probe(std::string name, std::vector<std::string>* log, int8_t priority = 0)
        : Executable(priority), name(std::move(name)), log(log)
    {
    }
    ~Probe() override { log->push_back("~" + name); }

    void Run() override
    {
        log->push_back(name);
        if (onRun) onRun(this);
    }
    void RunAlternate() override { log->push_back("alt:" + name); }

    std::string name;
    std::vector<std::string>* log;
    std::function<void(Probe*)> onRun;
};

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : " ") + p;
    return out;
}

class TaskListTest : public ::testing::Test {
protected:
    Probe* Add(const std::string& name, int8_t priority = 0)
    {
        Probe* p = new Probe(name, &log, priority);
        ex.AddTask(p);
        return p;
    }

    // One pass; returns what was logged during it.
    std::string Pass()
    {
        log.clear();
        ex.Run();
        std::string out = Join(log);
        log.clear();
        return out;
    }

    // The names in list order, front first.
    std::string Order() const
    {
        std::vector<std::string> names;
        TaskIterator* cursor = ex.Begin();
        while (Executable* t = cursor->Next()) names.push_back(static_cast<Probe*>(t)->name);
        delete cursor;
        return Join(names);
    }

    std::vector<std::string> log;
    Executor ex;
};

TEST_F(TaskListTest, PassOverEmptyListDoesNothing)
{
    EXPECT_EQ(Pass(), "");
    EXPECT_TRUE(ex.Tasks()->IsEmpty());
    EXPECT_FALSE(ex.PurgeFinished());
}

TEST_F(TaskListTest, AddTaskPutsNewestFirstAndSetsItRunning)
{
    Probe plain("p", &log);
    EXPECT_EQ(plain.GetState(), TASK_CREATED);
    EXPECT_EQ(plain.GetOwner(), nullptr);

    Probe* a = Add("a");
    Add("b");
    Add("c");
    EXPECT_EQ(a->GetState(), TASK_RUNNING);
    EXPECT_EQ(a->GetOwner(), &ex);
    EXPECT_EQ(Order(), "c b a");
    EXPECT_EQ(Pass(), "c b a");
    EXPECT_TRUE(ex.Contains(a));
    EXPECT_FALSE(ex.Contains(&plain));
}

TEST_F(TaskListTest, TaskAddedDuringPassRunsFromTheNextPass)
{
    Probe* a = Add("a");
    Add("b");
    a->onRun = [this](Probe* self) {
        Add("new");
        self->onRun = nullptr;
    };
    EXPECT_EQ(Pass(), "b a");
    EXPECT_EQ(Order(), "new b a");
    EXPECT_EQ(Pass(), "new b a");
}

TEST_F(TaskListTest, CursorSurvivesAdditionsAtTheFront)
{
    Add("a");
    Add("b");
    TaskIterator* cursor = ex.Begin();
    EXPECT_EQ(static_cast<Probe*>(cursor->Next())->name, "b");
    Add("c");
    EXPECT_EQ(static_cast<Probe*>(cursor->Next())->name, "a");
    EXPECT_EQ(cursor->Next(), nullptr);
    EXPECT_EQ(cursor->Next(), nullptr);
    delete cursor;
}

TEST_F(TaskListTest, StateDecidesWhatAPassDoes)
{
    Add("finished")->SetState(TASK_FINISHED);
    Add("created")->SetState(TASK_CREATED);
    Add("odd")->SetState(7);
    Add("alternate")->SetState(TASK_ALTERNATE);
    Add("running");
    EXPECT_EQ(Pass(), "running alt:alternate ~finished");
    EXPECT_EQ(Order(), "running alternate odd created");
}

TEST_F(TaskListTest, FinishedTaskNeverComesBack)
{
    for (TaskState later : {TASK_CREATED, TASK_RUNNING, TASK_ALTERNATE, TASK_FINISHED}) {
        Probe p("p", &log);
        p.SetState(TASK_RUNNING);
        p.SetState(TASK_FINISHED);
        p.SetState(later);
        EXPECT_EQ(p.GetState(), TASK_FINISHED) << "state " << later;
    }
}

// When finished tasks are deleted. The list is c b a (front first); in the first pass one
// task finishes another (or itself).
TEST_F(TaskListTest, DeletionTimingOfFinishedTasks)
{
    struct Case {
        const char* finisher;
        const char* target;
        bool bFinishedBefore;
        const char* pass1;
        const char* pass2;
    };
    const Case cases[] = {
        // Finishing itself in its own Run: skipped next pass, deleted at its end.
        {"c", "c", false, "c b a", "b a ~c"},
        {"a", "a", false, "c b a", "c b ~a"},
        // Visited later in the same pass: not run, deleted at the end of this pass.
        {"c", "a", false, "c b ~a", "c b"},
        // Visited earlier in the pass: skipped next pass, deleted at its end...
        {"a", "c", false, "c b a", "b a ~c"},
        {"a", "b", false, "c b a", "c a ~b"},
        // ...unless another finished task triggers a purge in this pass (front first).
        {"a", "c", true, "c a ~c ~b", "a"},
    };
    for (const Case& k : cases) {
        ex.ClearTasks();
        Probe* a = Add("a");
        Probe* b = Add("b");
        Probe* c = Add("c");
        Probe* byName[] = {a, b, c};
        Probe* finisher = byName[k.finisher[0] - 'a'];
        Probe* target = byName[k.target[0] - 'a'];
        if (k.bFinishedBefore) b->SetState(TASK_FINISHED);
        finisher->onRun = [target](Probe* self) {
            target->SetState(TASK_FINISHED);
            self->onRun = nullptr;
        };
        std::string label = std::string(k.finisher) + " finishes " + k.target;
        EXPECT_EQ(Pass(), k.pass1) << label;
        EXPECT_EQ(Pass(), k.pass2) << label;
    }
}

TEST_F(TaskListTest, ClearTasksDeletesEveryTask)
{
    Add("a");
    Add("b");
    log.clear();
    ex.ClearTasks();
    EXPECT_EQ(Join(log), "~b ~a");
    EXPECT_TRUE(ex.Tasks()->IsEmpty());
    ex.ClearTasks();
    EXPECT_EQ(Join(log), "~b ~a");
}

TEST(Executor, DestructorDeletesItsTasks)
{
    std::vector<std::string> log;
    auto* ex = new Executor;
    ex->AddTask(new Probe("a", &log));
    ex->AddTask(new Probe("b", &log));
    delete ex;
    EXPECT_EQ(Join(log), "~b ~a");
}

TEST_F(TaskListTest, PurgeFinishedDeletesOnlyFinishedTasks)
{
    Add("a")->SetState(TASK_FINISHED);
    Add("b");
    Add("c")->SetState(TASK_FINISHED);
    Add("d")->SetState(TASK_FINISHED);
    log.clear();
    EXPECT_TRUE(ex.PurgeFinished());
    EXPECT_EQ(Join(log), "~d ~c ~a");
    EXPECT_EQ(Order(), "b");
    EXPECT_FALSE(ex.PurgeFinished());
}

// A finished ship leaves an explosion from its destructor: a new task at the front while the
// purge is under way. Everything finished still goes, front to back, and the new task stays.
TEST_F(TaskListTest, PurgeGoesOnWhenADestructorAddsATaskAtTheFront)
{
    struct Leaver : Probe {
        Leaver(std::string name, std::vector<std::string>* log, Executor* ex)
            : Probe(std::move(name), log), ex(ex)
        {
        }
        ~Leaver() override { ex->AddTask(new Probe("boom-" + name, log)); }
        Executor* ex;
    };
    for (bool frontFinished : {true, false}) {
        ex.ClearTasks();
        Add("a")->SetState(TASK_FINISHED);
        Add("b");
        Leaver* c = new Leaver("c", &log, &ex);
        ex.AddTask(c);
        c->SetState(TASK_FINISHED);
        Probe* d = Add("d");
        if (frontFinished) d->SetState(TASK_FINISHED);
        log.clear();
        EXPECT_TRUE(ex.PurgeFinished());
        EXPECT_EQ(Join(log), frontFinished ? "~d ~c ~a" : "~c ~a");
        EXPECT_EQ(Order(), frontFinished ? "boom-c b" : "boom-c d b");
    }
    log.clear();
}

// A pass knows it is one and counts itself; purging and sorting come after it.
TEST_F(TaskListTest, PassesAreCountedAndKnownWhileTheyRun)
{
    const uint32_t before = ex.PassNumber();
    std::vector<bool> seen;
    Add("a")->onRun = [&](Probe*) { seen.push_back(ex.InPass()); };
    EXPECT_FALSE(ex.InPass());
    Pass();
    Pass();
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(ex.InPass());
    EXPECT_EQ(ex.PassNumber(), before + 2);
}

TEST_F(TaskListTest, OutOfOrderPriorityIsSortedAfterThePass)
{
    Add("x", -1);
    Add("y", 0);
    EXPECT_EQ(Pass(), "y x");  // this pass still runs the old order
    EXPECT_EQ(Order(), "x y");
    EXPECT_EQ(Pass(), "x y");
}

// Only -128 at the front is below the starting "previous priority" of -127. Here b's
// priority rises after it was read, so the only thing that asks for a sort is the front task.
TEST_F(TaskListTest, LowestPriorityAtTheFrontAsksForASort)
{
    struct Case {
        int8_t front;
        const char* order;
    };
    for (const Case& k : {Case{-128, "a c b"}, Case{-127, "a b c"}}) {
        ex.ClearTasks();
        Add("c");
        Probe* b = Add("b");
        Add("a", k.front);
        static_cast<Probe*>(ex.Tasks()->At(2))->onRun = [b](Probe*) { b->SetPriority(7); };
        Pass();
        EXPECT_EQ(Order(), k.order) << "front priority " << int(k.front);
    }
}

// Builds a list front-to-back with the given priorities, named a, b, c, ... and sorts it.
std::string SortedNames(const std::vector<int8_t>& priorities)
{
    std::vector<std::string> log;
    TaskList list;
    Il_Link* last = list.Head();
    for (size_t i = 0; i < priorities.size(); ++i) {
        Probe* p = new Probe(std::string(1, char('a' + i)), &log, priorities[i]);
        list.InsertAfter(p, last);
        last = p;
    }
    list.Sort(ComparePriority);
    std::vector<std::string> names;
    for (int32_t i = 0; list.At(i); ++i) names.push_back(static_cast<Probe*>(list.At(i))->name);
    return Join(names);
}

TEST(TaskListSort, ExchangeSortGivesExactOrder)
{
    struct Case {
        std::vector<int8_t> priorities;
        const char* sorted;
    };
    const Case cases[] = {
        {{}, ""},
        {{5}, "a"},
        {{2, 2, 1}, "c b a"},  // not stable
        {{0, 0, 0, 0, -100}, "e b c d a"},  // last comes first, first goes last
        {{0, -1}, "b a"},
        {{-1, 0}, "a b"},
        {{1, 0, 0}, "b c a"},
        {{3, 1, 2, 1}, "b d c a"},
        {{-128, 127, -128, 0}, "a c d b"},
        {{4, 3, 2, 1}, "d c b a"},
    };
    for (const Case& c : cases) EXPECT_EQ(SortedNames(c.priorities), c.sorted);
}

// The linked-list relinking must give the same order as the exchange sort done on an array.
TEST(TaskListSort, MatchesExchangeSortOnAnArray)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 600; ++round) {
        // Short lists of mixed priorities, then longer ones; among those, lists shaped as the
        // game's: all 0 but for the camera's -100 somewhere (the sort may stop early there).
        const bool game = round >= 450;
        size_t n = round < 300 ? random() % 9 : 1 + random() % 40;
        std::vector<int8_t> priorities(n);
        for (int8_t& p : priorities) p = static_cast<int8_t>(static_cast<int>(random() % 5) - 2);
        if (game) {
            for (int8_t& p : priorities) p = 0;
            priorities[random() % n] = -100;
        }

        std::vector<size_t> order(n);
        for (size_t i = 0; i < n; ++i) order[i] = i;
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = i + 1; j < n; ++j) {
                if (priorities[order[i]] > priorities[order[j]]) std::swap(order[i], order[j]);
            }
        }
        std::vector<std::string> names;
        for (size_t i : order) names.push_back(std::string(1, char('a' + i)));
        ASSERT_EQ(SortedNames(priorities), Join(names)) << "round " << round;
    }
}

TEST(TaskListOps, IndexedAccessAndRemovalOutOfRange)
{
    std::vector<std::string> log;
    TaskList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.At(0), nullptr);
    list.RemoveAt(0);  // empty: must not unlink the end marker
    list.RemoveFirst();
    list.RemoveAfter(nullptr);
    list.RemoveAfter(list.Head());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Tail()->next, list.Tail());

    Probe* a = new Probe("a", &log);
    Probe* b = new Probe("b", &log);
    Probe* c = new Probe("c", &log);
    list.PushFront(a);
    list.InsertAfter(c, a);
    list.InsertAfter(b, a);  // a b c
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(0), a);
    EXPECT_EQ(list.At(1), b);
    EXPECT_EQ(list.At(2), c);
    EXPECT_EQ(list.At(3), nullptr);

    list.RemoveAt(3);
    list.RemoveAt(-1);
    list.RemoveAfter(c);  // last node: nothing after it
    EXPECT_TRUE(log.empty());

    list.RemoveAt(1);
    EXPECT_EQ(Join(log), "~b");
    list.RemoveAfter(a);
    EXPECT_EQ(Join(log), "~b ~c");
    list.RemoveAt(0);
    EXPECT_EQ(Join(log), "~b ~c ~a");
    EXPECT_TRUE(list.IsEmpty());
}

TEST(TaskKinds, KindsAreExactCopies)
{
    std::vector<std::string> log;
    Probe ship("ship", &log);
    char name[] = "GameEntity3D";
    ship.AddKind(name);
    ship.AddKind("XWing");
    name[0] = 'X';  // the task keeps its own copy

    EXPECT_EQ(ship.KindCount(), 2);
    EXPECT_TRUE(ship.HasKindAt("GameEntity3D", 0));
    EXPECT_FALSE(ship.HasKindAt("GameEntity3D", 1));
    EXPECT_TRUE(ship.HasKindAt("XWing", 1));
    EXPECT_FALSE(ship.HasKindAt("gameentity3d", 0));  // case-sensitive
    EXPECT_FALSE(ship.HasKindAt("GameEntity3", 0));
    EXPECT_FALSE(ship.HasKindAt("GameEntity3D", -1));
    EXPECT_FALSE(ship.HasKindAt("XWing", 2));
    EXPECT_TRUE(ship.HasKind("XWing"));
    EXPECT_FALSE(ship.HasKind("Explosion"));
    EXPECT_STREQ(ship.KindAt(1), "XWing");
    EXPECT_EQ(ship.KindAt(2), nullptr);
    EXPECT_EQ(ship.KindAt(-1), nullptr);

    Probe blast("blast", &log);
    blast.AddKind("Explosion");
    EXPECT_FALSE(blast.HasKindAt("GameEntity3D", 0));
    EXPECT_TRUE(blast.HasKindAt("Explosion", 0));

    Probe bare("bare", &log);
    EXPECT_FALSE(bare.HasKindAt("GameEntity3D", 0));
    EXPECT_EQ(bare.KindAt(0), nullptr);
}

// The first kind's number: equal names share one, other names and later kinds do not count.
TEST(TaskKinds, FirstKindHasANumberForItsName)
{
    Executable none, ship, other, ship2;
    EXPECT_EQ(none.FirstKindNumber(), -1);
    ship.AddKind("GameEntity3D");
    ship.AddKind("XWing");
    other.AddKind("Explosion");
    ship2.AddKind("GameEntity3D");
    EXPECT_EQ(ship.FirstKindNumber(), KindNumber("GameEntity3D"));
    EXPECT_EQ(ship2.FirstKindNumber(), ship.FirstKindNumber());
    EXPECT_NE(other.FirstKindNumber(), ship.FirstKindNumber());
    EXPECT_NE(KindNumber("XWing"), ship.FirstKindNumber());
    EXPECT_NE(KindNumber("gameentity3d"), ship.FirstKindNumber());  // exact names
}

TEST(TaskKinds, GlobalExecutorIsReady)
{
    std::vector<std::string> log;
    EXPECT_EQ(gExecutor.GetPriority(), 0);
    gExecutor.AddTask(new Probe("g", &log));
    gExecutor.Run();
    gExecutor.ClearTasks();
    EXPECT_EQ(Join(log), "g ~g");
}

}  // namespace
