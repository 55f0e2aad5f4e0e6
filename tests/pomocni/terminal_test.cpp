#include <gtest/gtest.h>

#include <string>

#include "pomocni/dialogue_texts.h"
#include "pomocni/scripts.h"
#include "support/terminal.h"
#include "support/test_support.h"

// The program on a pseudo-terminal, answered only after each prompt has appeared: a prompt
// that stayed in a buffer would leave the test waiting for it.
namespace {

using testing_support::Terminal;
using testing_support::TempDir;

TEST(OnATerminal, EveryPromptShowsBeforeTheAnswerIsTyped) {
    TempDir dir;
    dir.write("hof.txt", dialogue::hallOfFame({{1, "<One/>"}, {2, "<Two/>"}}));
    std::string test = writeScript(dir, "test.sh", "echo beagle radi\n");
    Terminal terminal(POMOCNI_BIN, dir.path().string());
    ASSERT_TRUE(terminal.started());

    ASSERT_TRUE(terminal.expect(dialogue::banner + dialogue::inputPrompt)) << terminal.screen();
    ASSERT_TRUE(terminal.answer("hof.txt"));
    ASSERT_TRUE(terminal.expect(dialogue::outputPrompt)) << terminal.screen();
    ASSERT_TRUE(terminal.answer(""));
    ASSERT_TRUE(terminal.expect(dialogue::testPrompt("test.bat"))) << terminal.screen();
    ASSERT_TRUE(terminal.answer(test));
    ASSERT_TRUE(terminal.expect(dialogue::evaluationPrompt("evaluacija.exe"))) << terminal.screen();
    ASSERT_TRUE(terminal.answer("true"));
    ASSERT_TRUE(terminal.expect(dialogue::orPrompt)) << terminal.screen();
    ASSERT_TRUE(terminal.answer(""));
    ASSERT_TRUE(terminal.expect("Broj generacija: 2\n" + dialogue::generationPrompt)) << terminal.screen();
    ASSERT_TRUE(terminal.answer(""));
    ASSERT_TRUE(terminal.expect("Zapisao u seed.obm\nPokrecem " + test + "\nbeagle radi\n\nPokreni provjeru (true): "))
        << terminal.screen();
    ASSERT_TRUE(terminal.answer(""));
    ASSERT_TRUE(terminal.expect(dialogue::generationPrompt)) << terminal.screen();
    ASSERT_TRUE(terminal.answer("-1"));
    EXPECT_EQ(terminal.exitStatus(), 0);
    EXPECT_EQ(dir.read("seed.obm"), dialogue::seedFile("<Two/>"));
}

}  // namespace
