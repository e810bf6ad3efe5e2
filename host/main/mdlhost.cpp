// mdlhost: loads applications and runs keyins from the command line, script
// files or standard input until "exit" or the end of the input.
//
//   mdlhost [-c CONFIG]... [-k KEYIN]... [-s SCRIPT]... [-q]
//
// -k and -s run in the order given; with neither, keyins are read from
// standard input.  The exit status is 0 when every keyin ran, 1 when any
// failed (each failure is reported on stderr with its keyin) or an
// application ended with a non-zero status (mdlSystem_exit), 2 for a bad
// command line or a configuration file that cannot be read or holds a line
// that is not a definition.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mdlhost.h"

namespace {

void usage()
{
    fputs("usage: mdlhost [-c CONFIG]... [-k KEYIN]... [-s SCRIPT]... [-q]\n"
          "  -c CONFIG  read configuration variables (NAME = value lines)\n"
          "  -k KEYIN   run a keyin (repeatable)\n"
          "  -s SCRIPT  run the keyins of a file, one a line; '#' lines are comments\n"
          "  -q         do not copy the text window to stdout\n"
          "Without -k and -s, keyins are read from standard input.\n",
          stderr);
}

struct Source {
    char kind; // 'k' keyin, 's' script
    std::string value;
};

// One line of any length without its line end (LF, CR LF or a lone CR);
// false at end of input or when it cannot be read.
bool readLine(FILE *fp, std::string &line)
{
    line.clear();
    int c;
    while ((c = fgetc(fp)) != EOF && c != '\n' && c != '\r')
        line += char(c);
    if (c == '\r' && (c = fgetc(fp)) != '\n' && c != EOF)
        ungetc(c, fp);
    return !ferror(fp) && (c != EOF || !line.empty());
}

class Session {
  public:
    // Runs one keyin and the input it queued; false once the session ends.
    bool run(const std::string &keyin)
    {
        if (mdlhost_keyin(keyin.c_str()) != MDLHOST_KEYIN_OK)
            failures_++;
        return turn();
    }
    // Runs what is queued; false once the session ends.
    bool turn()
    {
        failures_ += mdlhost_processQueue();
        return !mdlhost_exitRequested();
    }
    // Runs the keyins of fp; false once the session ends.
    bool runStream(FILE *fp, bool prompt)
    {
        std::string line;
        for (;;) {
            if (prompt) {
                fputs("mdlhost> ", stdout);
                fflush(stdout);
            }
            if (!readLine(fp, line))
                return true;
            size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line[first] == '#')
                continue;
            if (!run(line))
                return false;
        }
    }
    void fail() { failures_++; }
    int failures() const { return failures_; }

  private:
    int failures_ = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    std::vector<std::string> configs;
    std::vector<Source> sources;
    bool quiet = false;
    for (int i = 1; i < argc; i++) {
        std::string opt = argv[i];
        if (opt == "-q") {
            quiet = true;
        } else if ((opt == "-c" || opt == "-k" || opt == "-s") && i + 1 < argc) {
            if (opt == "-c")
                configs.emplace_back(argv[++i]);
            else
                sources.push_back({opt[1], argv[++i]});
        } else {
            fprintf(stderr, "mdlhost: unknown or incomplete option %s\n", argv[i]);
            usage();
            return 2;
        }
    }
    // Failures always reach stderr; the text window only without -q.
    mdlhost_setEcho(quiet ? MDLHOST_ECHO_MESSAGES : MDLHOST_ECHO_TEXT | MDLHOST_ECHO_MESSAGES);

    for (const std::string &cfg : configs) {
        int bad = mdlhost_readConfigFile(cfg.c_str(), MDLHOST_CFGLEVEL_SYSTEM);
        if (bad < 0) {
            fprintf(stderr, "mdlhost: cannot read the configuration file %s: %s\n", cfg.c_str(), strerror(errno));
            return 2;
        }
        if (bad > 0) {
            // The lines are on the text window; with -q they must still be seen.
            if (quiet)
                mdlhost_terminalPuts(stderr, mdlhost_textWindow());
            fprintf(stderr, "mdlhost: %s: %d line(s) are not definitions\n", cfg.c_str(), bad);
            return 2;
        }
    }

    // Applications build their own preference paths from MS_USERPREF, as on
    // the platform, where it is always defined: without one of the user's,
    // it names the host's own preference file.
    char prefs[MDLHOST_MAXLOCALPATH];
    if (mdlSystem_getCfgVar(prefs, "MS_USERPREF", sizeof prefs) != 0 &&
        mdlhost_userPrefsName(prefs, sizeof prefs) == 0)
        mdlSystem_defineConfigurationVariable("MS_USERPREF", prefs, MDLHOST_CFGLEVEL_SYSTEM);

    Session session;
    if (int failed = mdlhost_loadInitApps(); failed > 0) {
        fprintf(stderr, "mdlhost: %d application(s) of MS_INITAPPS not loaded\n", failed);
        for (int i = 0; i < failed; i++)
            session.fail();
    }
    bool going = session.turn(); // what the init applications queued

    if (sources.empty() && going && session.runStream(stdin, isatty(STDIN_FILENO) != 0) && ferror(stdin)) {
        fprintf(stderr, "mdlhost: cannot read standard input: %s\n", strerror(errno));
        session.fail();
    }
    for (const Source &s : sources) {
        if (!going)
            break;
        if (s.kind == 'k') {
            going = session.run(s.value);
            continue;
        }
        FILE *fp = fopen(s.value.c_str(), "rbe");
        if (fp == nullptr) {
            fprintf(stderr, "mdlhost: cannot open the script %s: %s\n", s.value.c_str(), strerror(errno));
            session.fail();
            continue;
        }
        going = session.runStream(fp, false);
        if (ferror(fp)) { // a directory opens and fails at its first read
            fprintf(stderr, "mdlhost: cannot read the script %s: %s\n", s.value.c_str(), strerror(errno));
            session.fail();
        }
        fclose(fp);
    }
    mdlhost_shutdown();
    // The design a session or a batch left open is closed, not left to the
    // process's end.
    mdlhost_closeDesignFile();
    return session.failures() > 0 || mdlhost_exitStatus() != 0 ? 1 : 0;
}
