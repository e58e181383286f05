#pragma once

// The texts the program shows: captions, menu items, list statuses and messages (GBK).

#include <string_view>

namespace quillet {

inline constexpr std::string_view FolderDialogTitle = "请选择要保存的文件夹";

/// The song list's popup menu, in its order ("" is the separator).
inline constexpr std::string_view MenuLabels[] = {"试听歌曲",     "下载歌曲", "复制歌曲地址",
                                                  "定位歌曲文件", "",         "更改保存目录"};
/// The menu item that shows a song's file in the file manager.
inline constexpr std::string_view LocateMenuLabel = MenuLabels[3];

/// What the song list's status column (5) shows besides a song's address.
namespace status {
inline constexpr std::string_view Listed = "   点击召唤地址";
inline constexpr std::string_view Resolving = "歌曲获取中...";
inline constexpr std::string_view ResolveFailed = "获取失败";
inline constexpr std::string_view Downloading = "歌曲下载中...";
inline constexpr std::string_view Downloaded = "下载成功";
inline constexpr std::string_view RenameFailed = "需定位手动修改歌名！";
inline constexpr std::string_view DownloadFailed = "下载失败";
}  // namespace status
inline constexpr std::string_view StatusListed = status::Listed;

inline constexpr std::string_view EmptyKeywordMessage = "你要听什么歌尽管跟我说=^_^= ";
inline constexpr std::string_view QualityMessage =
    "切换音质，并不需要重新搜索歌曲，直接重新召唤地址即可。";
inline constexpr std::string_view NeedAddressMessage = "请先获取歌曲地址";
inline constexpr std::string_view PatternFailedMessage = "正则创建失败！";
inline constexpr std::string_view NoSongsMessage = "没有找到歌曲，尝试减少或者换一个关键词吧";
inline constexpr std::string_view AlreadyDownloadedMessage = "别贪心，已经下载过了";
inline constexpr std::string_view LocateFailedMessage = "定位失败，请确认文件是否存在";

}  // namespace quillet
