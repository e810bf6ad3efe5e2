// The applications a design file brings: MS_DGNAPPS, loaded when a design
// file becomes active.
#include <string>

#include "app_int.h"
#include "app/mdlapp.h"
#include "sys/sys_host.h"

namespace {

// Loaded once per session; a later design file finds them loaded.
void loadDesignFileApplications(const char *)
{
    std::string list;
    if (!mdlhost::cfgLookup("MS_DGNAPPS", list))
        return;
    for (char &c : list)
        if (c == ';')
            c = ' ';
    for (const std::string &app : mdlhost::splitArguments(list.c_str()))
        if (mdlSystem_findMdlDesc(mdlhost::taskIdOf(app).c_str()) == nullptr)
            mdlhost_loadApplication(app.c_str(), MDLHOST_ORIGIN_DGNAPPS, 0, nullptr);
}

[[maybe_unused]] const bool listening = (mdlhost::addDesignFileListener(loadDesignFileApplications), true);

} // namespace
