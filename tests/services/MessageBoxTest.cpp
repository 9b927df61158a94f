#include <gtest/gtest.h>

#include "services/MessageBox.h"

namespace blowden {
namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageBox::SetTestMode(true);
    TMessageBox::TakeRecorded();
  }
  void TearDown() override { TMessageBox::SetTestMode(false); }
};

TEST_F(MessageBoxTest, BoxesAreRecordedInOrder) {
  TMessageBox::Information(nullptr, "Blowden", "Bad area specification...");
  TMessageBox::Error(nullptr, "Error", "'x' is not a valid floating point value");
  const QStringList expected = {"Blowden: Bad area specification...",
                                "Error: 'x' is not a valid floating point value"};
  EXPECT_EQ(TMessageBox::TakeRecorded(), expected);
  EXPECT_TRUE(TMessageBox::TakeRecorded().isEmpty());
}

TEST_F(MessageBoxTest, QuestionTakesThePresetAnswerOnce) {
  TMessageBox::SetNextAnswer(true);
  EXPECT_TRUE(TMessageBox::Question(nullptr, "Confirm", "Delete File?\r\nA.qfn"));
  // The preset is used up: the next question is answered No.
  EXPECT_FALSE(TMessageBox::Question(nullptr, "Confirm", "Delete File?\r\nB.qfn"));
  TMessageBox::SetNextAnswer(false);
  EXPECT_FALSE(TMessageBox::Question(nullptr, "Confirm", "Delete File?\r\nC.qfn"));
  EXPECT_EQ(TMessageBox::TakeRecorded().size(), 3);
}

}  // namespace
}  // namespace blowden
