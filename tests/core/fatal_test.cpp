#include <gtest/gtest.h>

#include <string>

#include "core/fatal.h"

namespace {

struct Stopped {
    std::string message;
};

void throwStopped(const std::string& message) { throw Stopped{message}; }

// Restores the default handler whatever the test does.
struct ThrowingHandler {
    ThrowingHandler() { setFatalHandler(throwStopped); }
    ~ThrowingHandler() { setFatalHandler(nullptr); }
};

std::string stopMessage(void (*stop)()) {
    try {
        stop();
    } catch (const Stopped& stopped) {
        return stopped.message;
    }
    return "no stop";
}

}  // namespace

// A fuzzing run replaces the end of the process with a throw and must see the same texts.
TEST(FatalHandlerTest, ReplacementReceivesTheWholeText) {
    const ThrowingHandler handler;
    EXPECT_EQ(stopMessage([] { fatalError("Matrix file \"x\" is empty."); }), "Matrix file \"x\" is empty.\n");
    EXPECT_EQ(stopMessage([] { assertionFailed("matrice", 27); }), "Assertion failed!\nfile: .\\matrice\nline: 27\n");
    EXPECT_EQ(stopMessage([] { missingEnvironment(330); }),
              "file: .\\driver\nline: 330\nmsg:  Nije definirano okruzenje!\n");
    EXPECT_EQ(stopMessage([] { assertionFailed("matrice", 218, "Matrix file \"d.txt\" cannot be read: x"); }),
              "Assertion failed!\nfile: .\\matrice\nline: 218\nMatrix file \"d.txt\" cannot be read: x\n");
}

TEST(FatalHandlerDeathTest, NullRestoresTheEndOfTheProcess) {
    setFatalHandler(throwStopped);
    setFatalHandler(nullptr);
    EXPECT_EXIT(fatalError("gone"), testing::ExitedWithCode(1), "^gone\n$");
}
