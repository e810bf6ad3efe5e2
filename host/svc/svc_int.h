// Shared by the conversation layer and the spreadsheet; not exported.
#ifndef MDLHOST_SVC_INT_H
#define MDLHOST_SVC_INT_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "svc/workbook_host.h"

namespace mdlhost {

// The peer's side of one conversation.
class DdeSession {
  public:
    virtual ~DdeSession() = default;
    // Executes one command text; false with error set when it was refused.
    virtual bool execute(const char *command, std::string &error) = 0;
    // True once the peer has ended the conversation.
    virtual bool ended() const = 0;
};

// The spreadsheet service.
bool spreadsheetServesTopic(const char *topic);
std::unique_ptr<DdeSession> openSpreadsheet();

} // namespace mdlhost

#endif
