// The about box's texts and its vertical layout, apart from the window.
#pragma once

#include <string>

namespace skyloom {

// The window caption: "About" + " " + caption + ". . .".
std::string AboutBoxCaption(const std::string& about, const std::string& caption);
// The message body the e-mail link sends: the system's name, version number and processor clock.
std::string AboutBoxMailBody(const std::string& winVersion, const std::string& winVersionNumber, int cpuMHz);

// Fixed places of the box's controls.
constexpr int AboutTextLeft = 34;       // separators, description, "E-Mail:" and "WWW:"
constexpr int AboutLinkLeft = 72;       // the two links
constexpr int AboutCopyrightLeft = 42;
constexpr int AboutCopyrightTop = 28;
constexpr int AboutButtonWidth = 91;
constexpr int AboutButtonHeight = 24;
// The copyright text fills the box's width less this (249 pixels in a box 300 wide).
constexpr int AboutCopyrightMargin = 51;

struct TslAboutBoxLayout {
    int Bevel1Top = 0;
    int DescriptionTop = 0;
    int Bevel2Top = 0;
    bool DescriptionShown = false;
    int EmailTop = 0;
    int WWWTop = 0;
    int ButtonTop = 0;
    int ButtonLeft = 0;
    int ClientHeight = 0;
};

// Places everything below the copyright text, top to bottom. descriptionHeight is the height the description
// label takes (ignored without a description).
TslAboutBoxLayout LayoutAboutBox(int copyrightBottom, bool hasDescription, int descriptionHeight, int linkHeight,
                                 int clientWidth);

} // namespace skyloom
