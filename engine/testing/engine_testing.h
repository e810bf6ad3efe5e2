// Test support for the engine: a host application to run in, temporary
// files, and recorded callbacks.
#ifndef ENGINE_TESTING_H
#define ENGINE_TESTING_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kartmotor_int.h"
#include "mdlhost.h"

namespace zeratest {

// A fresh temporary directory per test, removed afterwards; the test runs
// as a registered application with the ZERA application's resource file,
// so c_txt gives the real message texts.
class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Path of name inside the test's directory.
    std::string path(const std::string &name) const;
    // Writes bytes to name in the test's directory; returns its path.
    std::string writeFile(const std::string &name, const std::string &bytes) const;

    std::string dir_;
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

// Whole file as bytes; "" when it cannot be read.
std::string readFile(const std::string &path);
bool fileExists(const std::string &path);

// c_txt of the services stub as the engine's message-text callback.
MdlFunctionP cTxtCallback();

} // namespace zeratest

#endif
