// The server settings dialog's rules: one change flag, lost-focus copies,
// trimming, OK without checks, Cancel refusing to leave without an address.
#include <gtest/gtest.h>

#include "dialogs/about.h"
#include "dialogs/server_dialog.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

class FrmServerTest : public ::testing::Test {
  protected:
    std::string ip_, port_, lblIP_ = " ", lblPort_ = " ";
    test::RecordingBox box_;
    test::RecordingProcess process_;
    FrmServer dialog_{{ip_, port_, lblIP_, lblPort_}, box_, process_};
    using Box = FrmServer::Box;
};

TEST(TrimSpaces, RemovesOnlyLeadingAndTrailingSpaces) {
    EXPECT_EQ(TrimSpaces("  10.0.0.1 "), "10.0.0.1");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces("\t1 2\t"), "\t1 2\t");
}

TEST_F(FrmServerTest, OkHandsOverTheTrimmedTextsUnchecked) {
    dialog_.Text_Change(Box::IP, "  192.168.1.20  ");
    dialog_.Text_Change(Box::Port, " abc");
    dialog_.OKButton_Click();
    EXPECT_TRUE(dialog_.Closed());
    EXPECT_EQ(lblIP_, "192.168.1.20");
    EXPECT_EQ(ip_, "192.168.1.20");
    EXPECT_EQ(lblPort_, "abc");
    EXPECT_EQ(port_, "abc");
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(FrmServerTest, OpensWithTheShownAddressToMend) {
    lblIP_ = "1.2.3.4";
    lblPort_ = " 70000";
    FrmServer mend({ip_, port_, lblIP_, lblPort_}, box_, process_);
    EXPECT_EQ(mend.Text(Box::IP) + ":" + mend.Text(Box::Port), "1.2.3.4:70000");
    EXPECT_FALSE(mend.TextChanged()); // the filling is no typing
    mend.Text_Change(Box::Port, "5000");
    mend.OKButton_Click();
    EXPECT_EQ(ip_ + ":" + port_ + " " + lblIP_ + ":" + lblPort_, "1.2.3.4:5000 1.2.3.4:5000");
}

TEST_F(FrmServerTest, OkWithBothEmptyClosesWithoutAWord) {
    dialog_.OKButton_Click();
    EXPECT_TRUE(dialog_.Closed());
    EXPECT_EQ(ip_, "");
    EXPECT_EQ(lblIP_, "");
    EXPECT_EQ(process_.ends, 0);
}

TEST_F(FrmServerTest, CancelWithAValueMissingShutsDown) {
    dialog_.Text_Change(Box::IP, "1.2.3.4");
    dialog_.Text_LostFocus(Box::IP);
    dialog_.CancelButton_Click();
    EXPECT_EQ(box_.shown, (std::vector<test::RecordingBox::Shown>{
                              {"Shutting down...", "Server IP & Port required!", kMbOk}}));
    EXPECT_TRUE(dialog_.Ended());
    EXPECT_EQ(process_.ends, 1);
}

TEST_F(FrmServerTest, CancelWithBothValuesLeftDoesNothing) {
    dialog_.Text_Change(Box::IP, "1.2.3.4");
    dialog_.Text_LostFocus(Box::IP);
    dialog_.Text_Change(Box::Port, "29070");
    dialog_.Text_LostFocus(Box::Port);
    dialog_.CancelButton_Click();
    EXPECT_FALSE(dialog_.Closed());
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(lblIP_, " "); // only OK writes the captions
}

TEST_F(FrmServerTest, TheCloseBoxKeepsWhatWasTypedLast) {
    // The IP typed and left, the port typed and still focused: OK's address.
    dialog_.Text_Change(Box::IP, "1.2.3.4");
    dialog_.Text_LostFocus(Box::IP);
    dialog_.Text_Change(Box::Port, "29071 ");
    dialog_.CloseBox_Click(Box::Port);
    EXPECT_TRUE(dialog_.Closed() && !dialog_.Ended());
    EXPECT_EQ(ip_ + ":" + port_ + " " + lblIP_ + ":" + lblPort_, "1.2.3.4:29071 1.2.3.4:29071");
    // Only an IP: the close box is Cancel's.
    std::string ip, port, lblIP = " ", lblPort = " ";
    FrmServer half({ip, port, lblIP, lblPort}, box_, process_);
    half.Text_Change(Box::IP, "1.2.3.4");
    half.CloseBox_Click(Box::IP);
    EXPECT_TRUE(half.Ended());
    EXPECT_EQ(box_.shown.at(0).text, "Shutting down...");
}

TEST_F(FrmServerTest, OneFlagCoversBothBoxes) {
    port_ = "stale";
    dialog_.Text_LostFocus(Box::Port); // nothing typed yet: no copy
    EXPECT_EQ(port_, "stale");
    dialog_.Text_Change(Box::IP, "host");
    dialog_.Text_LostFocus(Box::Port); // an empty port box left after typing the IP
    EXPECT_EQ(port_, "");
}

TEST(About, VersionLine) {
    EXPECT_EQ(AboutVersionLine(), std::string("Version: ") + QUORIN_PRODUCT_VERSION_TEXT);
}

} // namespace
} // namespace quorin
