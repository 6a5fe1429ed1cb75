#pragma once

#include <QString>

#include <array>

// One entry of the help window's topics menu: its caption and the topic number it stands for.
struct HelpMenuEntry {
    enum class Kind { Topic, About, Mail, Separator, Exit };
    Kind kind;
    const char* caption; // empty for a separator
    int topic;           // 0 for a separator and the exit entry
};

// The topic numbers of the entries that are links or the about box rather than texts.
inline constexpr int TopicMailColleague = 4444;
inline constexpr int TopicMailMaker = 1111;
inline constexpr int TopicMakerWebPage = 2222;
inline constexpr int TopicAbout = 7777;

// The menu entries in their order; the menu index of an entry is its place here plus one.
const std::array<HelpMenuEntry, 17>& HelpMenuEntries();

// The text of help topic `topic` (lines joined by CR LF); empty for a number that has none.
QString HelpTopicText(int topic);
