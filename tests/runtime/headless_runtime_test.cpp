#include "runtime/headless_runtime.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillet {
namespace {

TEST(HeadlessRuntime, MessagesGoToTheStreamAsUtf8) {
    std::ostringstream err;
    HeadlessRuntime runtime("/run", "/desk/", &err, 8);
    runtime.ShowMessage("请先获取歌曲地址", MessageInformation);
    runtime.ShowMessage(std::string("a\0b", 3), MessageError);  // a text ends at a zero byte
    EXPECT_EQ(err.str(),
              "\xE4\xBF\xA1\xE6\x81\xAF\xEF\xBC\x9A"  // 信息：
              "\xE8\xAF\xB7\xE5\x85\x88\xE8\x8E\xB7\xE5\x8F\x96"
              "\xE6\xAD\x8C\xE6\x9B\xB2\xE5\x9C\xB0\xE5\x9D\x80\n"  // 请先获取歌曲地址
              "\xE4\xBF\xA1\xE6\x81\xAF\xEF\xBC\x9A"
              "a\n");
    ASSERT_EQ(runtime.Messages().size(), 2u);
    EXPECT_EQ(runtime.Messages()[1].flags, MessageError);
}

TEST(HeadlessRuntime, WindowsEventsAndDialogAnswers) {
    HeadlessRuntime runtime("/run", "/desk/", nullptr, 8);
    int created = 0;
    runtime.SetEventHandler("MainWindow", ControlEvent::Created, [&](int) { ++created; });
    EXPECT_TRUE(runtime.LoadWindow({.name = "MainWindow"}));
    EXPECT_TRUE(runtime.LoadWindow({.name = "MainWindow"}));  // open already: only raised
    EXPECT_EQ(created, 1);
    EXPECT_EQ(runtime.LoadedWindows(), std::vector<Text>{"MainWindow"});

    int key = 0;
    runtime.SetEventHandler("编辑框_搜索", ControlEvent::KeyPressed, [&](int k) { key = k; });
    EXPECT_TRUE(runtime.Fire("编辑框_搜索", ControlEvent::KeyPressed, KeyEnter));
    EXPECT_EQ(key, KeyEnter);
    EXPECT_FALSE(runtime.Fire("编辑框_搜索", ControlEvent::Clicked));

    runtime.QueueFolderAnswer("/a");
    EXPECT_EQ(runtime.ChooseFolder("t1"), "/a");
    EXPECT_EQ(runtime.ChooseFolder("t2"), "");  // nothing queued: cancelled
    EXPECT_EQ(runtime.FolderDialogTitles(), (std::vector<Text>{"t1", "t2"}));

    runtime.SetClipboardText("http://h/x.mp3");
    EXPECT_EQ(runtime.ClipboardText(), "http://h/x.mp3");
    EXPECT_EQ(runtime.DesktopFolder(), "/desk/");
    EXPECT_EQ(runtime.RunDirectory(), "/run");
}

}  // namespace
}  // namespace quillet
