// The input queue: keyins and commands that any floor may post; the frame
// runs them from the host loop (app/mdlkeyin.cpp).
#include <deque>
#include <string>

#include "base/base_host.h"
#include "base/mdlbase.h"

namespace {

std::deque<mdlhost::QueuedInput> queue;

std::string taskOrCurrent(const char *taskId)
{
    return taskId && taskId[0] ? taskId : mdlSystem_getCurrTaskID(1);
}

} // namespace

int mdlInput_sendKeyin(const char *keyin, int, int, const char *)
{
    if (keyin == nullptr)
        return -1;
    queue.push_back({MDLHOST_INPUT_KEYIN, keyin, 0, ""});
    return 0;
}

int mdlInput_sendCommand(uint32_t cmdNumber, const char *unparsed, int, const char *taskId, int)
{
    queue.push_back({MDLHOST_INPUT_COMMAND, unparsed ? unparsed : "", cmdNumber, taskOrCurrent(taskId)});
    return 0;
}

int mdlDialog_cmdNumberQueue(int atFront, uint32_t cmdNumber, const char *taskId, int)
{
    mdlhost::QueuedInput in{MDLHOST_INPUT_COMMAND, "", cmdNumber, taskOrCurrent(taskId)};
    if (atFront)
        queue.push_front(std::move(in));
    else
        queue.push_back(std::move(in));
    return 0;
}

int mdlhost_inputQueueCount(void) { return int(queue.size()); }

int mdlhost_inputQueueEntry(int i, const char **text, uint32_t *cmdNumber, const char **taskId)
{
    if (i < 0 || size_t(i) >= queue.size())
        return 0;
    const mdlhost::QueuedInput &in = queue[size_t(i)];
    if (text)
        *text = in.text.c_str();
    if (cmdNumber)
        *cmdNumber = in.number;
    if (taskId)
        *taskId = in.taskId.c_str();
    return in.kind;
}

void mdlhost_clearInputQueue(void) { queue.clear(); }

bool mdlhost::takeInput(QueuedInput &in)
{
    if (queue.empty())
        return false;
    in = std::move(queue.front());
    queue.pop_front();
    return true;
}
