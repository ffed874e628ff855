#include "NewsListBox.h"

#include "Charsets.h"

namespace skyloom {

void TWideListBoxHeadlines::Clear()
{
    FBox.Items().Clear();
}

int TWideListBoxHeadlines::Count() const
{
    return FBox.Items().Count();
}

void TWideListBoxHeadlines::Add(const std::string& line)
{
    FBox.Items().Add(DecodeCharset(line, FCharset));
}

bool TWideListBoxHeadlines::Selected(int index) const
{
    return FBox.ItemIndex() == index;  // a single-selection list: at most one line is selected
}

} // namespace skyloom
