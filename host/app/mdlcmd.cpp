// Command numbers, command names and the command tables of applications.
//
//   registration   numbers and names of the current application
//   tables         keyword -> number, read from the resource file
//   running        a command by number with the application current
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

uint32_t currentCommand = 0;

} // namespace

const uint32_t *mdlCommandNumberP = &currentCommand;

int mdlSystem_registerCommandNumbers(const MdlCommandNumber *table)
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    if (desc == nullptr || table == nullptr)
        return -1;
    for (const MdlCommandNumber *e = table; e->cmdFunc != nullptr; e++)
        mdlhost::appPart(desc).commandNumbers[e->cmdNumber] = e->cmdFunc;
    return 0;
}

int mdlSystem_registerCommandNames(const MdlCommandName *table)
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    if (desc == nullptr || table == nullptr)
        return -1;
    for (const MdlCommandName *e = table; e->cmdFunc != nullptr; e++) {
        if (e->cmdName == nullptr || e->cmdName[0] == '\0')
            continue;
        bool replaced = false;
        for (auto &n : mdlhost::appPart(desc).commandNames)
            if (mdlhost::sameName(n.first, e->cmdName)) {
                n.second = e->cmdFunc;
                replaced = true;
            }
        if (!replaced)
            mdlhost::appPart(desc).commandNames.emplace_back(e->cmdName, e->cmdFunc);
    }
    return 0;
}

// --- tables -------------------------------------------------------------------

namespace {

// Tables 1, 2, ... are read until the first missing id; the bound keeps a
// file with thousands of tables from being read forever.
constexpr long kMaxTables = 100;

// A command number as written ("0x01010000", decimal or octal); false when
// it is not a number of 32 bits.  Unlike parseUint32, a leading '+' is taken,
// as the resource reader takes it in every other number of the file.
bool parseCommandNumber(std::string_view text, uint32_t &number)
{
    if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9')
        text.remove_prefix(1);
    return mdlhost::parseUint32(text, number, 0);
}

void readTable(const RscNode *table, std::vector<MdlCommandEntry> &entries)
{
    for (int i = 0; i < mdlhost_rscChildCount(table); i++) {
        const RscNode *c = mdlhost_rscChild(table, i);
        MdlCommandEntry e;
        e.words = mdlhost::splitBlankWords(mdlhost_rscArg(c, 0));
        bool ok = strcmp(mdlhost_rscKeyword(c), "Command") == 0 && mdlhost_rscArgCount(c) == 2 && !e.words.empty() &&
                  parseCommandNumber(mdlhost_rscArg(c, 1), e.number);
        if (!ok) {
            // The rest of the table still works; the author learns which line is wrong.
            toolSubsystem_printf("%s:%d: not a command: expected Command \"KEYWORDS\" number\n",
                                 mdlhost_rscSourceFile(c), mdlhost_rscSourceLine(c));
            continue;
        }
        entries.push_back(std::move(e));
    }
}

} // namespace

void *mdlParse_loadCommandTable(void *)
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    if (desc == nullptr)
        return nullptr;
    std::vector<MdlCommandEntry> entries;
    bool any = false;
    for (long id = 1; id <= kMaxTables; id++) {
        const RscNode *table = mdlhost_rscFind(desc, "CommandTable", id);
        if (table == nullptr)
            break;
        any = true;
        readTable(table, entries);
    }
    mdlhost::appPart(desc).commandTable = std::move(entries);
    return any ? static_cast<void *>(desc) : nullptr;
}

// --- matching and running -----------------------------------------------------

namespace mdlhost {

// Finds the longest keyword that begins keyin among the tables of apps (in
// order; the first wins a tie).  Gives the application, the number and the
// offset of the unparsed rest; false when none matches.
bool matchCommand(const std::vector<MdlDesc *> &apps, std::string_view keyin, MdlDesc *&owner, uint32_t &number,
                  size_t &restAt)
{
    // Word boundaries of the keyin: start and end of each word.
    std::vector<std::pair<size_t, size_t>> words;
    for (size_t i = 0; i < keyin.size();) {
        while (i < keyin.size() && (keyin[i] == ' ' || keyin[i] == '\t'))
            i++;
        size_t start = i;
        while (i < keyin.size() && keyin[i] != ' ' && keyin[i] != '\t')
            i++;
        if (i > start)
            words.emplace_back(start, i);
    }
    size_t best = 0;
    for (MdlDesc *desc : apps) {
        for (const MdlCommandEntry &e : mdlhost::appPart(desc).commandTable) {
            if (e.words.size() <= best || e.words.size() > words.size())
                continue;
            bool same = true;
            for (size_t w = 0; w < e.words.size() && same; w++)
                same = sameName(e.words[w], keyin.substr(words[w].first, words[w].second - words[w].first));
            if (!same)
                continue;
            best = e.words.size();
            owner = desc;
            number = e.number;
            restAt = words[best - 1].second;
        }
    }
    return best > 0;
}

int runCommand(MdlDesc *desc, uint32_t number, const char *unparsed, std::string *why)
{
    auto it = mdlhost::appPart(desc).commandNumbers.find(number);
    if (it == mdlhost::appPart(desc).commandNumbers.end()) {
        char text[96];
        snprintf(text, sizeof text, "%s has no function for command 0x%08X", desc->taskId, unsigned(number));
        *why = text;
        return MDLHOST_KEYIN_NOFUNC;
    }
    std::string rest = unparsed ? unparsed : "";
    size_t start = rest.find_first_not_of(" \t");
    rest.erase(0, start == std::string::npos ? rest.size() : start);
    uint32_t outer = currentCommand;
    currentCommand = number;
    dlmSystem_callAnyFunction(desc, reinterpret_cast<MdlFunctionP>(it->second), "P", rest.data());
    currentCommand = outer;
    return MDLHOST_KEYIN_OK;
}

int runNamedCommand(const std::string &name, const char *unparsed, std::string *why)
{
    for (MdlDesc *desc : applications())
        for (auto &n : mdlhost::appPart(desc).commandNames)
            if (sameName(n.first, name)) {
                std::string rest = unparsed ? unparsed : "";
                MdlCommandFunc fn = n.second;
                dlmSystem_callAnyFunction(desc, reinterpret_cast<MdlFunctionP>(fn), "P", rest.data());
                return MDLHOST_KEYIN_OK;
            }
    *why = "no command named " + name;
    return MDLHOST_KEYIN_UNKNOWN;
}

} // namespace mdlhost
