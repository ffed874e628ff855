#include "slTextTemplate.h"

#include "SysUtils.h"

#include <algorithm>

namespace skyloom {

TslTextTemplateConverter::TslTextTemplateConverter(TComponent* Owner) : TslComponent(Owner)
{
    FParameters.Owner = this;
    FParameters.OnUpdate = [this](TCollection*, TCollectionItem*) { Changed(); };
}

TslTextTemplateConverter::~TslTextTemplateConverter()
{
    // The collection's items go with it; nobody is told about that.
    FParameters.OnUpdate = nullptr;
    FClients.clear();
}

void TslTextTemplateConverter::SetTemplateText(std::string_view Text)
{
    FTemplate.SetText(Text);
    Changed();
}

void TslTextTemplateConverter::AddTemplateLine(std::string Line)
{
    FTemplate.Add(std::move(Line));
    Changed();
}

const TslNameValueCollectionItem* TslTextTemplateConverter::FindParameter(std::string_view ParamName) const
{
    for (int i = 0; i < FParameters.Count(); ++i) {
        const TslNameValueCollectionItem* item = FParameters.Items(i);
        if (SameText(item->Name, ParamName))
            return item;
    }
    return nullptr;
}

void TslTextTemplateConverter::SetParameter(const std::string& ParamName, const std::string& Value)
{
    auto* item = const_cast<TslNameValueCollectionItem*>(FindParameter(ParamName));
    if (!item) {
        FParameters.BeginUpdate();
        item = FParameters.Add();
        item->Name = ParamName;
        item->Value = Value;
        FParameters.EndUpdate();  // tells the clients once
        return;
    }
    if (item->Value == Value)
        return;
    item->Value = Value;
    Changed();
}

std::string TslTextTemplateConverter::ParameterValue(std::string_view ParamName) const
{
    const TslNameValueCollectionItem* item = FindParameter(ParamName);
    return item ? item->Value : std::string();
}

std::string TslTextTemplateConverter::Convert(std::string_view Line) const
{
    std::string out;
    out.reserve(Line.size());
    std::size_t pos = 0;
    while (pos < Line.size()) {
        const std::size_t open = Line.find('%', pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = Line.find('%', open + 1);
        if (close == std::string_view::npos)
            break;
        out.append(Line.substr(pos, open - pos));
        const std::string_view name = Line.substr(open + 1, close - open - 1);
        if (name.empty()) {
            out.push_back('%');
            pos = close + 1;
            continue;
        }
        if (const TslNameValueCollectionItem* item = FindParameter(name)) {
            out += item->Value;
            pos = close + 1;
        } else {
            // Not a parameter: the "%" stays, and the closing one may open the next name.
            out.push_back('%');
            pos = open + 1;
        }
    }
    out.append(Line.substr(std::min(pos, Line.size())));
    return out;
}

std::string TslTextTemplateConverter::OutputText() const
{
    std::string out;
    for (int i = 0; i < FTemplate.Count(); ++i) {
        out += Convert(FTemplate.Strings(i));
        out += "\r\n";
    }
    return out;
}

void TslTextTemplateConverter::AddClient(TComponent* Client, std::function<void()> Changed)
{
    if (!Client)
        return;
    RemoveClient(Client);
    FClients.push_back({Client, std::move(Changed)});
    FreeNotification(Client);
}

void TslTextTemplateConverter::RemoveClient(TComponent* Client)
{
    const auto gone = std::remove_if(FClients.begin(), FClients.end(),
                                     [Client](const TClient& c) { return c.Component == Client; });
    if (gone == FClients.end())
        return;
    FClients.erase(gone, FClients.end());
    RemoveFreeNotification(Client);
}

void TslTextTemplateConverter::Notification(TComponent* Component, TOperation Operation)
{
    TslComponent::Notification(Component, Operation);
    if (Operation == opRemove)
        FClients.erase(std::remove_if(FClients.begin(), FClients.end(),
                                      [Component](const TClient& c) { return c.Component == Component; }),
                       FClients.end());
}

void TslTextTemplateConverter::Changed()
{
    if (Destroying())
        return;
    Fire(OnChange, this);
    // A client may register or leave while it is told; work on a copy.
    const std::vector<TClient> clients = FClients;
    for (const TClient& c : clients) {
        const bool stillThere = std::any_of(FClients.begin(), FClients.end(),
                                            [&c](const TClient& now) { return now.Component == c.Component; });
        if (stillThere && c.Changed)
            c.Changed();
    }
}

} // namespace skyloom
