// The texts of the two link controls and the credit line, kept together so that a change of
// address or wording touches one place. Each caption fits its control's width in the default GUI
// font (a link is 200 or 128 pixels wide, the credit line 132): a longer one would be cut off.
#pragma once

inline constexpr char kPublisherLinkCaption[] = "Orlenwick 官网：orlenwick.example";
inline constexpr char kPublisherHomeAddress[] = "http://www.orlenwick.example/";

inline constexpr char kStartupHelpLinkCaption[] = "无法运行游戏请点我";
inline constexpr char kStartupHelpAddress[] = "http://www.orlenwick.example/help/startup.html";

inline constexpr char kCreditLine[] = "Orlenwick·玩家社区制作";
