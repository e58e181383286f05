#pragma once

// The names of the two windows and their controls, as their stored descriptions give them
// (GBK, like every text of the program).

#include <string_view>

namespace quillet::names {

inline constexpr std::string_view MainWindow = "MainWindow";
inline constexpr std::string_view PreviewWindow = "PreviewWindow";

inline constexpr std::string_view SongList = "超级列表框1";
inline constexpr std::string_view StandardQuality = "单选框1";
inline constexpr std::string_view HighQuality = "单选框2";
inline constexpr std::string_view SaveFolderBox = "编辑框_保存";
inline constexpr std::string_view SearchBox = "编辑框_搜索";
inline constexpr std::string_view SearchButton = "按钮_搜索";
inline constexpr std::string_view SaveFolderLabel = "透明标签2";
inline constexpr std::string_view SearchLabel = "透明标签1";

inline constexpr std::string_view PictureBox = "图片框1";
inline constexpr std::string_view BrowserBox = "超文本浏览框1";

}  // namespace quillet::names
