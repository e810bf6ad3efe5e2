// What the application's test fixtures share: the theme table of the
// end-to-end cases and a whole-file reader.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace zerafiltest {

// The themes of the end-to-end fixtures; the level column is the theme code.
inline constexpr const char *TEMATABELL = "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                                          "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                                          "Stedsnavn;1010;FM;T;1010;4;0;0;105;5;4;KRYSS;1;1;0\n"
                                          "Grense;1012;FM;L;1012;1;0;0;0;0;0;KRYSS;1;1;0\n"
                                          "Omraade;1011;FM;F;1011;6;0;0;0;0;0;KRYSS;1;1;0\n";

// The bytes of a file ("" when it cannot be read).
inline std::string lesFil(const std::string &p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace zerafiltest
