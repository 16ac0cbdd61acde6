// SPDX-License-Identifier: MIT
#include "shell/TaskList.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

Executor gExecutor;

// ---- Executable ---------------------------------------------------------------------------

Executable::Executable(int8_t priority) : priority(priority) {}

Executable::~Executable()
{
    for (int32_t i = 0; i < kinds.Count(); ++i) delete[] kinds[i];
    kinds.Clear();
}

void Executable::SetState(TaskState newState)
{
    if (state == TASK_FINISHED) return;
    state = newState;
}

bool Executable::AddKind(const char* text)
{
    if (!text) return false;
    size_t length = std::strlen(text);
    char* copy = new (std::nothrow) char[length + 1];
    if (!copy) return false;
    std::memcpy(copy, text, length + 1);
    if (!kinds.Append(copy)) {
        delete[] copy;
        return false;
    }
    if (kinds.Count() == 1) firstKind = KindNumber(copy);
    return true;
}

int32_t KindNumber(const char* text)
{
    // A handful: one per class of task. Never destroyed: gExecutor's destructor still deletes
    // tasks at program exit, and their destructors may make new ones (a ship its explosion).
    static std::vector<std::string>& names = *new std::vector<std::string>;
    if (!text) return -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == text) return static_cast<int32_t>(i);
    names.emplace_back(text);
    return static_cast<int32_t>(names.size() - 1);
}

bool Executable::HasKindAt(const char* text, int32_t index) const
{
    const char* kind = KindAt(index);
    return kind && text && std::strcmp(kind, text) == 0;
}

bool Executable::HasKind(const char* text) const
{
    for (int32_t i = 0; i < kinds.Count(); ++i) {
        if (HasKindAt(text, i)) return true;
    }
    return false;
}

const char* Executable::KindAt(int32_t index) const
{
    if (index < 0 || index >= kinds.Count()) return nullptr;
    return kinds[index];
}

int ComparePriority(const Il_Link* a, const Il_Link* b)
{
    int8_t pa = static_cast<const Executable*>(a)->GetPriority();
    int8_t pb = static_cast<const Executable*>(b)->GetPriority();
    if (pa < pb) return -1;
    if (pa > pb) return 1;
    return 0;
}

// ---- TaskList -------------------------------------------------------------------------------

TaskList::TaskList() : head(new Il_Link), tail(new Il_Link)
{
    head->next = tail;
    tail->next = tail;
}

TaskList::~TaskList()
{
    Clear();
    delete head;
    delete tail;
}

void TaskList::PushFront(Il_Link* node) { InsertAfter(node, head); }

void TaskList::InsertAfter(Il_Link* node, Il_Link* after)
{
    if (!node || !after || after == tail) return;
    node->next = after->next;
    after->next = node;
}

Il_Link* TaskList::At(int32_t index) const
{
    if (index < 0) return nullptr;
    Il_Link* node = head->next;
    for (int32_t i = 0; i < index && node != tail; ++i) node = node->next;
    return node == tail ? nullptr : node;
}

void TaskList::RemoveAt(int32_t index)
{
    if (index < 0) return;
    if (index == 0) {
        RemoveAfter(head);
        return;
    }
    RemoveAfter(At(index - 1));
}

void TaskList::RemoveFirst() { RemoveAfter(head); }

void TaskList::RemoveAfter(Il_Link* node)
{
    if (!node || node == tail || node->next == tail) return;
    Il_Link* gone = node->next;
    node->next = gone->next;
    gone->next = nullptr;
    delete gone;
}

void TaskList::Clear()
{
    while (!IsEmpty()) RemoveFirst();
}

void TaskList::Sort(LinkCompare compare)
{
    // Whether node and the one after it are out of order (false at the end of the list).
    auto descends = [&](const Il_Link* node) {
        return node != tail && node->next != tail && compare(node, node->next) > 0 ? 1 : 0;
    };
    if (IsEmpty()) return;
    // Neighbours out of order behind the position: once there are none, every later position
    // already holds the least of what follows it and no exchange can happen any more. In the
    // game the only task out of order is the camera's, so the sort ends after the first
    // position instead of comparing every pair of tasks.
    int64_t outOfOrder = 0;
    for (const Il_Link* n = head->next->next; n != tail; n = n->next) outOfOrder += descends(n);

    // pi: the node before the position; pj: the node before the later node under comparison.
    for (Il_Link* pi = head; pi->next != tail; pi = pi->next) {
        Il_Link* pj = pi->next;
        while (pj->next != tail) {
            Il_Link* a = pi->next;
            Il_Link* b = pj->next;
            if (compare(a, b) > 0) {
                if (a->next == b) {
                    outOfOrder -= descends(b);
                    pi->next = b;
                    a->next = b->next;
                    b->next = a;
                    outOfOrder += descends(a);
                    pj = b;  // a now follows b
                } else {
                    outOfOrder -= descends(pj) + descends(b);
                    Il_Link* afterB = b->next;
                    pi->next = b;
                    b->next = a->next;
                    pj->next = a;
                    a->next = afterB;
                    outOfOrder += descends(pj) + descends(a);
                }
            }
            pj = pj->next;  // on to the node after the place b left
        }
        if (outOfOrder == 0) return;
        outOfOrder -= descends(pi->next->next);  // that pair now starts at the position
    }
}

// ---- TaskIterator ---------------------------------------------------------------------------

TaskIterator::TaskIterator(const TaskList* list) : list(list), next(list->First()) {}

Executable* TaskIterator::Next()
{
    if (next == list->Tail()) return nullptr;
    Il_Link* node = next;
    next = node->next;
    return static_cast<Executable*>(node);
}

// ---- Executor -------------------------------------------------------------------------------

Executor::Executor() : Executable(0), tasks(new TaskList) {}

Executor::~Executor()
{
    ClearTasks();
    delete tasks;
}

void Executor::Run()
{
    ++passNumber;
    ++passDepth;
    TaskIterator* cursor = Begin();
    bool needPurge = false;
    bool needSort = false;
    int8_t previousPriority = -127;

    while (Executable* task = cursor->Next()) {
        switch (task->GetState()) {
            case TASK_RUNNING:
                task->Run();
                break;
            case TASK_ALTERNATE:
                task->RunAlternate();
                break;
            case TASK_FINISHED:
                needPurge = true;
                break;
            default:
                break;
        }
        int8_t priority = task->GetPriority();
        if (priority < previousPriority) needSort = true;
        previousPriority = priority;
    }
    delete cursor;
    --passDepth;

    if (needPurge) PurgeFinished();
    if (needSort) tasks->Sort(ComparePriority);
}

void Executor::AddTask(Executable* task)
{
    if (!task) return;
    tasks->PushFront(task);
    task->owner = this;
    task->SetState(TASK_RUNNING);
}

void Executor::ClearTasks() { tasks->Clear(); }

bool Executor::PurgeFinished()
{
    // One walk from the front. A deleted task's destructor may add tasks at the front (a ship
    // leaves its explosion): they are new and running, and the walk goes on behind them.
    bool removed = false;
    Il_Link* before = tasks->Head();
    while (before->next != tasks->Tail()) {
        if (static_cast<Executable*>(before->next)->GetState() == TASK_FINISHED) {
            tasks->RemoveAfter(before);
            removed = true;
        } else {
            before = before->next;
        }
    }
    return removed;
}

TaskIterator* Executor::Begin() const { return new TaskIterator(tasks); }

bool Executor::Contains(const Executable* task) const
{
    TaskIterator cursor(tasks);
    while (Executable* t = cursor.Next()) {
        if (t == task) return true;
    }
    return false;
}
