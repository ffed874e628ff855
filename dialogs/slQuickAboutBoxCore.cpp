#include "slQuickAboutBoxCore.h"

namespace skyloom {

std::string AboutBoxCaption(const std::string& about, const std::string& caption)
{
    return about + " " + caption + ". . .";
}

std::string AboutBoxMailBody(const std::string& winVersion, const std::string& winVersionNumber, int cpuMHz)
{
    return "P.S: I'm using " + winVersion + " (" + winVersionNumber + "); CPU: " + std::to_string(cpuMHz) + "MHz.";
}

TslAboutBoxLayout LayoutAboutBox(int copyrightBottom, bool hasDescription, int descriptionHeight, int linkHeight,
                                 int clientWidth)
{
    TslAboutBoxLayout layout;
    int y = copyrightBottom;
    layout.Bevel1Top = y + 2;
    y += 7;
    if (hasDescription) {
        layout.DescriptionShown = true;
        layout.DescriptionTop = y;
        y += descriptionHeight + 2;
        layout.Bevel2Top = y;
        y += 5;
    }
    layout.EmailTop = y;
    y += linkHeight;
    layout.WWWTop = y;
    y += linkHeight + 6;
    layout.ButtonTop = y;
    layout.ButtonLeft = (clientWidth - AboutButtonWidth) / 2;
    layout.ClientHeight = AboutButtonHeight + y + 6;
    return layout;
}

} // namespace skyloom
