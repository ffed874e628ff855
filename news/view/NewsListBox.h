// The main window's headline list box as the news code sees it: lines arrive as single-byte text and are
// converted to wide text with the system's code page.
#pragma once

#include "NewsView.h"
#include "StdCtrls.h"

namespace skyloom {

class TWideListBoxHeadlines : public IHeadlineList {
public:
    explicit TWideListBoxHeadlines(TWideListBox& box) : FBox(box) {}
    void Clear() override;
    int Count() const override;
    void Add(const std::string& line) override;
    bool Selected(int index) const override;

private:
    TWideListBox& FBox;
};

} // namespace skyloom
