// Conversations: DDE-like instances and conversations between a client
// and the host's services.  The services live in this process and answer
// at once, so there is no message loop and no time-out to wait out.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "svc/mdlsvc.h"
#include "svc_int.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

struct Instance {
    long id;
    MdlhostDdeCallback callback;
};

struct Conversation {
    long id;
    long instance;
    std::unique_ptr<mdlhost::DdeSession> session;
};

struct Service {
    const char *name;
    bool available;
    bool (*servesTopic)(const char *topic);
    std::unique_ptr<mdlhost::DdeSession> (*open)();
};

Service services[] = {
    {"Excel", true, mdlhost::spreadsheetServesTopic, mdlhost::openSpreadsheet},
};

std::vector<Instance> instances;
std::vector<Conversation> conversations;
long lastId = 0; // ids are never reused: a stale id must not reach a new conversation
std::string lastError;
std::string lastCommand;

Instance *findInstance(long id)
{
    for (Instance &i : instances)
        if (i.id == id)
            return &i;
    return nullptr;
}

std::vector<Conversation>::iterator findConversation(long id)
{
    for (auto it = conversations.begin(); it != conversations.end(); ++it)
        if (it->id == id)
            return it;
    return conversations.end();
}

} // namespace

long mdlhost_ddeInitialize(MdlhostDdeCallback callback)
{
    if (instances.size() >= MDLHOST_DDE_MAXINSTANCES)
        return 0;
    instances.push_back({++lastId, callback});
    return lastId;
}

int mdlhost_ddeUninitialize(long instance)
{
    for (auto it = instances.begin(); it != instances.end(); ++it) {
        if (it->id != instance)
            continue;
        instances.erase(it);
        std::erase_if(conversations, [instance](const Conversation &c) { return c.instance == instance; });
        return MDLHOST_DDE_OK;
    }
    return MDLHOST_DDE_BADARG;
}

long mdlhost_ddeConnect(long instance, const char *service, const char *topic)
{
    if (findInstance(instance) == nullptr || service == nullptr || topic == nullptr ||
        conversations.size() >= MDLHOST_DDE_MAXCONVERSATIONS)
        return 0;
    for (Service &s : services) {
        if (!s.available || !mdlhost::sameName(service, s.name) || !s.servesTopic(topic))
            continue;
        conversations.push_back({++lastId, instance, s.open()});
        return lastId;
    }
    return 0;
}

int mdlhost_ddeExecute(long conversation, const char *command, long timeoutMs)
{
    (void)timeoutMs; // the peer answers before the call returns
    lastError.clear();
    auto it = findConversation(conversation);
    if (it == conversations.end()) {
        lastError = "no such conversation";
        return MDLHOST_DDE_NOCONV;
    }
    if (command == nullptr || strnlen(command, MDLHOST_DDE_MAXCOMMAND) >= MDLHOST_DDE_MAXCOMMAND) {
        lastError = command == nullptr ? "no command" : "command too long";
        return MDLHOST_DDE_BADARG;
    }
    lastCommand = command;
    bool done = it->session->execute(command, lastError);
    if (it->session->ended()) {
        // The peer ended the conversation (QUIT): the client hears of it
        // through its callback, as from a peer that disconnects.
        long instance = it->instance;
        conversations.erase(it);
        if (Instance *in = findInstance(instance); in != nullptr && in->callback != nullptr)
            in->callback(MDLHOST_DDE_XTYP_DISCONNECT, conversation, nullptr, 0);
    }
    if (!done)
        return MDLHOST_DDE_NOTPROCESSED;
    lastError.clear();
    return MDLHOST_DDE_OK;
}

int mdlhost_ddeDisconnect(long conversation)
{
    auto it = findConversation(conversation);
    if (it == conversations.end())
        return MDLHOST_DDE_NOCONV;
    conversations.erase(it);
    return MDLHOST_DDE_OK;
}

const char *mdlhost_ddeLastError(void) { return lastError.c_str(); }

const char *mdlhost_ddeLastCommand(void) { return lastCommand.c_str(); }

int mdlhost_ddeSetServiceAvailable(const char *service, int available)
{
    for (Service &s : services) {
        if (service != nullptr && mdlhost::sameName(service, s.name)) {
            s.available = available != 0;
            return 0;
        }
    }
    return -1;
}
