// SPDX-License-Identifier: MIT
// The cooperative task list. Every live game object and effect is an Executable held by the
// global executor gExecutor, which runs each of them once per frame (newest first), deletes
// the finished ones at the end of the pass and, when it met a priority out of order, sorts
// the list so that lower priorities run earlier from the next pass on.
#pragma once

#include <cstdint>

#include "shell/DynArray.h"

// A node of a singly linked intrusive list. A link sits in at most one list.
class Il_Link {
public:
    Il_Link() = default;
    virtual ~Il_Link() = default;

    Il_Link(const Il_Link&) = delete;
    Il_Link& operator=(const Il_Link&) = delete;

    Il_Link* next = nullptr;
};

using TaskState = int32_t;
enum : TaskState {
    TASK_CREATED = 0,  // not yet in an executor
    TASK_RUNNING = 1,  // Run every pass
    TASK_ALTERNATE = 2,  // RunAlternate every pass
    TASK_FINISHED = 3,  // deleted at the end of a pass; never leaves this state
};

class Executor;

class Executable : public Il_Link {
public:
    explicit Executable(int8_t priority = 0);
    ~Executable() override;  // frees the kind names

    virtual void Run() {}  // per-frame action in state 1
    virtual void RunAlternate() {}  // per-frame action in state 2

    // Stores the state unless the task is already finished.
    void SetState(TaskState newState);
    TaskState GetState() const { return state; }

    Executor* GetOwner() const { return owner; }

    int8_t GetPriority() const { return priority; }
    void SetPriority(int8_t value) { priority = value; }

    // Appends a copy of the kind name. False when it could not be stored.
    bool AddKind(const char* text);
    // True when index is in range and the kind name there equals text (case-sensitive).
    bool HasKindAt(const char* text, int32_t index) const;
    bool HasKind(const char* text) const;
    // The kind name at index, or none when the index is out of range.
    const char* KindAt(int32_t index) const;
    int32_t KindCount() const { return kinds.Count(); }
    // KindNumber of the kind name at index 0, or -1 while there is none: one comparison of
    // numbers tells a task of a kind, where walks over many tasks would compare names.
    int32_t FirstKindNumber() const { return firstKind; }

private:
    friend class Executor;

    TaskState state = TASK_CREATED;
    Executor* owner = nullptr;
    DynArray<char*> kinds;
    int8_t priority = 0;
    int32_t firstKind = -1;
};

// A number for a kind name, handed out in order of first use: equal names (compared exactly)
// get the same number for the life of the program, different names different ones.
int32_t KindNumber(const char* text);

// Returns < 0, 0 or > 0 when a should come before, with or after b.
using LinkCompare = int (*)(const Il_Link* a, const Il_Link* b);

// Lower priority first: -1, 0 or +1. Both links must be Executables.
int ComparePriority(const Il_Link* a, const Il_Link* b);

// The list between two sentinels it allocates itself. It owns its nodes: removing one
// deletes it.
class TaskList {
public:
    TaskList();
    ~TaskList();  // clears, then frees the sentinels

    TaskList(const TaskList&) = delete;
    TaskList& operator=(const TaskList&) = delete;

    Il_Link* Head() const { return head; }
    Il_Link* Tail() const { return tail; }
    Il_Link* First() const { return head->next; }  // Tail() when empty
    bool IsEmpty() const { return head->next == tail; }

    void PushFront(Il_Link* node);
    void InsertAfter(Il_Link* node, Il_Link* after);
    // The node at index, or none for a negative index or one at or past the end.
    Il_Link* At(int32_t index) const;
    // Unlinks and deletes the node at index; nothing when the index is out of range.
    void RemoveAt(int32_t index);
    void RemoveFirst();
    // Unlinks and deletes the node after node; nothing when node is none or last.
    void RemoveAfter(Il_Link* node);
    void Clear();
    // Exchange sort: each position is compared with every later node in turn and the two
    // swap places whenever compare(position, later) > 0. Not stable. compare must order by a
    // key (as ComparePriority does): the sort stops early once the nodes after the position
    // are in order, where the exchanges could change nothing more.
    void Sort(LinkCompare compare);

private:
    Il_Link* head;
    Il_Link* tail;
};

// A cursor over a task list. It survives tasks being added at the front of the list.
class TaskIterator {
public:
    explicit TaskIterator(const TaskList* list);
    // The next task, moving past it; none once the end is reached.
    Executable* Next();

private:
    const TaskList* list;
    Il_Link* next;
};

class Executor : public Executable {
public:
    Executor();
    ~Executor() override;  // deletes every task, then the list

    // One pass over the tasks: runs each by its state, then purges and sorts if needed.
    void Run() override;
    void RunAlternate() override {}

    // Puts the task at the front, makes this its owner and sets it running.
    void AddTask(Executable* task);
    // Deletes every task.
    void ClearTasks();
    // Deletes every finished task, front to back; true when any was deleted.
    bool PurgeFinished();
    // A new cursor at the first task; the caller deletes it.
    TaskIterator* Begin() const;
    bool Contains(const Executable* task) const;

    TaskList* Tasks() const { return tasks; }

    // True while Run goes through the tasks (not while it purges and sorts afterwards).
    bool InPass() const { return passDepth > 0; }
    // Counts the passes begun: what is known of the list during a pass goes with its number.
    uint32_t PassNumber() const { return passNumber; }

private:
    TaskList* tasks;
    int32_t passDepth = 0;
    uint32_t passNumber = 0;
};

// The one executor of the game, run once per frame by the main loop.
extern Executor gExecutor;
