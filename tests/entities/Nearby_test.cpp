// SPDX-License-Identifier: MIT
// The grid that finds what is near must answer as a walk of the task list does: the same
// entities, in the same order, for places inside and far outside the battlefield, for
// entities made, moved and deleted during the pass, and for places that are no finite point;
// and a whole battle must play to the bit as it does without the grid.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "EntityTestKit.h"
#include "entities/Nearby.h"

using kit::Probe;
using kit::World;

namespace {

const int kTeamNobody = 7;  // probes that fighters neither steer by nor shoot at

// A task (no entity) whose Run does what the test asks, during the pass.
class Asker : public Executable {
public:
    explicit Asker(std::function<void()> what) : what(std::move(what)) { gExecutor.AddTask(this); }
    void Run() override { what(); }
    std::function<void()> what;
};

struct Question {
    Vector3D centre;
    float reach;
    bool widen;
};

// The entities a question finds, with the same distance test a caller makes.
std::vector<GameEntity3D*> Answer(const Question& q, const GameEntity3D* except)
{
    NearbyEntities near(q.centre, q.reach, q.widen, except);
    near.KeepOnly([&](GameEntity3D* e) {
        const float d = Distance(q.centre, e->position);
        return q.widen ? d < q.reach + e->radius : !(d > q.reach);
    });
    std::vector<GameEntity3D*> found;
    for (const NearbyEntities::Entry& e : near) found.push_back(e.entity);
    return found;
}

class NearbyTest : public World {
protected:
    void TearDown() override
    {
        SetNearbyGrid(true);
        World::TearDown();
    }
};

TEST_F(NearbyTest, AnswersAsTheTaskListDoes)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::srand(3);
    std::vector<Probe*> probes;
    for (int i = 0; i < 600; ++i) {
        const float x = float(std::rand() % 2000 - 1000) + 0.25f * float(std::rand() % 4);
        const float z = float(std::rand() % 2000 - 1000);
        probes.push_back(new Probe({x, float(std::rand() % 60), z}, 1.0f + float(i % 7)));
    }
    // Cell edges, far beyond the battlefield, and no place at all.
    for (Vector3D p :
         {Vector3D{200, 0, 200}, Vector3D{-200, 0, 199.99f}, Vector3D{0, 0, -400},
          Vector3D{3e8f, 0, 0}, Vector3D{-3e8f, 5, 1e9f}, Vector3D{nan, 0, 0}, Vector3D{0, 0, inf}})
        probes.push_back(new Probe(p, 2.0f));
    probes[5]->SetState(TASK_FINISHED);  // never found again
    Probe* big = new Probe({860, 0, 860}, 150.0f);  // widens every collision question
    (void)big;

    const Question questions[] = {
        {{0, 25, 0}, 200, false},     {{150, 0, -90}, 200, false}, {{950, 0, 950}, 200, false},
        {{-300, 0, 500}, 300, false}, {{200, 0, 200}, 0, false},   {{10, 10, 10}, 30, true},
        {{760, 0, 760}, 1, true},     {{0, 0, 0}, 1000, false},    {{0, 0, 0}, 10000, false},
        {{3e8f, 0, 0}, 50, false},    {{nan, 0, 0}, 200, false},   {{0, 0, 0}, inf, false},
        {{-1e9f, 0, 0}, 10, true},
    };
    const size_t count = sizeof questions / sizeof questions[0];

    // Moved, made and deleted during the pass before the questions are asked.
    Probe* mover = probes[10];
    Probe* doomed = probes[11];
    std::vector<std::vector<GameEntity3D*>> inPass(count);
    new Asker([&] {
        Answer(questions[0], nullptr);  // the grid is made here
        mover->forwardSpeed.value = 30.0f;  // 480 units in the 16 ms frame
        mover->forward = {1, 0, 1};
        mover->noCollide = true;
        ASSERT_TRUE(mover->Move());
        probes.push_back(new Probe({120, 0, 80}, 3.0f));
        probes.push_back(new Probe({130, 0, 70}, 3.0f));
        // Gone in the middle of the pass (far behind the pass's cursor in the list).
        Il_Link* before = gExecutor.Tasks()->Head();
        while (before->next != doomed) before = before->next;
        before->next = doomed->next;
        doomed->next = nullptr;
        delete doomed;
        for (size_t i = 0; i < count; ++i) inPass[i] = Answer(questions[i], probes[0]);
    });
    gExecutor.Run();

    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const std::vector<GameEntity3D*> walked = Answer(questions[i], probes[0]);
        EXPECT_EQ(inPass[i], walked);
        SetNearbyGrid(false);
        EXPECT_EQ(Answer(questions[i], probes[0]), walked);
        SetNearbyGrid(true);
    }
    // The questions did find things, the new probes and the moved one among them.
    EXPECT_GT(inPass[3].size(), 30u);
    EXPECT_EQ(inPass[10].size(), kit::Tasks<Probe>().size() - 1);  // no place: all but one
    bool newFound = false;
    for (GameEntity3D* e : inPass[1]) newFound = newFound || e == probes.back();
    EXPECT_TRUE(newFound);
}

// The same battle, frame by frame, with and without the grid: every task, its kind, place,
// heading, hit points and what it heard and felt, to the bit.
TEST_F(NearbyTest, ABattlePlaysTheSameWithoutTheGrid)
{
    auto play = [](bool grid) {
        kit::ResetEntityWorld(kStart);
        kit::FreeSounds();
        kit::LoadTestSounds();
        gInput = InputState();
        ToggleOnePress(2);
        ToggleOnePress(8);
        SetFrameTime(16);
        ResetDampedValueClock();
        UpdateDampedValues();
        SetNearbyGrid(grid);
        std::srand(11);
        new XWing({0, 25, 0}, 0);
        for (int i = 0; i < 150; ++i) {
            const float x = float(std::rand() % 800 - 400);
            const float z = float(std::rand() % 800 - 400);
            new TieFighter({x, 25, z}, float(std::rand() % 360));
        }
        for (int i = 0; i < 30; ++i)
            new Factory({float(std::rand() % 1000 - 500), 0, float(std::rand() % 1000 - 500)});
        for (int i = 0; i < 10; ++i)
            new Probe({float(i * 90 - 450), 25, float(i * 70 - 300)}, 4.0f, kTeamNobody);

        std::vector<uint64_t> digests;
        for (int frame = 0; frame < 600; ++frame) {
            Key('A', frame % 8 == 0);
            Key(plat::VK_UP_KEY, frame % 300 < 200);
            Key(plat::VK_LEFT_KEY, frame % 120 < 30);
            Frame();
            uint64_t h = 1469598103934665603ull;
            auto mix = [&h](const void* p, size_t n) {
                const unsigned char* b = static_cast<const unsigned char*>(p);
                for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
            };
            TaskIterator cursor(gExecutor.Tasks());
            while (Executable* task = cursor.Next()) {
                const int32_t kind = task->FirstKindNumber();
                mix(&kind, sizeof kind);
                if (auto* e = dynamic_cast<GameEntity3D*>(task)) {
                    mix(&e->position, sizeof e->position);
                    mix(&e->forward, sizeof e->forward);
                    mix(&e->hitPoints, sizeof e->hitPoints);
                }
                if (auto* p = dynamic_cast<Probe*>(task)) {
                    mix(&p->noises, sizeof p->noises);
                    mix(&p->hits, sizeof p->hits);
                }
            }
            digests.push_back(h);
        }
        int fighters = static_cast<int>(kit::Tasks<TieFighter>().size());
        gExecutor.ClearTasks();
        return std::make_pair(digests, fighters);
    };
    const auto withGrid = play(true);
    const auto walking = play(false);
    size_t firstDifference = 0;
    while (firstDifference < withGrid.first.size() &&
           withGrid.first[firstDifference] == walking.first[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, withGrid.first.size()) << "the battles part in that frame";
    // A battle, not a parade: fighters were shot down.
    EXPECT_LT(withGrid.second, 145);
}

}  // namespace
