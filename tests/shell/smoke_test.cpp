#include "rig.h"
#include "vendrel.h"
TEST(Smoke, DialogStarts) {
  rig::MessageBoxCapture boxes;
  HWND dlg = rig::StartInstaller("C:\\");
  EXPECT_NE(dlg, nullptr);
  char title[64] = {};
  GetWindowTextA(dlg, title, sizeof title);
  EXPECT_STREQ(title, "Install Quillmar");
  rig::StopInstaller();
}
