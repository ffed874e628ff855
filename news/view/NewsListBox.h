// The main window's headline list box as the news code sees it: lines arrive as the feed's bytes and are
// converted to wide text in the feed's character set.
#pragma once

#include "NewsView.h"
#include "StdCtrls.h"

namespace skyloom {

class TWideListBoxHeadlines : public IHeadlineList {
public:
    explicit TWideListBoxHeadlines(TWideListBox& box) : FBox(box) {}
    void SetTextCharset(const std::string& charset) override { FCharset = charset; }
    void Clear() override;
    int Count() const override;
    void Add(const std::string& line) override;
    bool Selected(int index) const override;

private:
    TWideListBox& FBox;
    std::string FCharset;  // empty: the system's code page
};

} // namespace skyloom
