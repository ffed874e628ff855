// A text template with named parameters, for controls that show generated text (the HTML pane's template).
// Portable.
//
// Every "%Name%" of the template is replaced by the value of the parameter of that name (names compared ignoring
// case); "%%" gives one "%"; a name without a parameter, and a "%" without its closing partner on the same line,
// stay as written. Values are inserted as they are, line breaks included.
#pragma once

#include "slClasses.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class TslTextTemplateConverter : public TslComponent {
public:
    explicit TslTextTemplateConverter(TComponent* Owner);
    ~TslTextTemplateConverter() override;

    const TStringList& Template() const { return FTemplate; }
    // Replaces the template (split at line breaks) and tells the clients.
    void SetTemplateText(std::string_view Text);
    void AddTemplateLine(std::string Line);

    // Adding or deleting parameters tells the clients; after changing an item's Name or Value in place, call
    // ParametersChanged (SetParameter does both).
    TCollectionOf<TslNameValueCollectionItem>& Parameters() { return FParameters; }
    const TCollectionOf<TslNameValueCollectionItem>& Parameters() const { return FParameters; }
    void ParametersChanged() { Changed(); }
    // Sets the value of the parameter of that name, adding the parameter when there is none.
    void SetParameter(const std::string& ParamName, const std::string& Value);
    // The value of the parameter of that name; empty when there is none.
    std::string ParameterValue(std::string_view ParamName) const;

    // The template with its parameters filled in: each line followed by CR LF.
    std::string OutputText() const;
    // One line of text with the parameters filled in.
    std::string Convert(std::string_view Line) const;

    // Raised after every change of the template or the parameters.
    TNotifyEvent OnChange;
    // Another component that shows the output registers here to hear of changes; the registration ends when
    // either side is freed.
    void AddClient(TComponent* Client, std::function<void()> Changed);
    void RemoveClient(TComponent* Client);

protected:
    void Notification(TComponent* Component, TOperation Operation) override;

private:
    void Changed();
    const TslNameValueCollectionItem* FindParameter(std::string_view ParamName) const;

    TStringList FTemplate;
    TCollectionOf<TslNameValueCollectionItem> FParameters;
    struct TClient {
        TComponent* Component;
        std::function<void()> Changed;
    };
    std::vector<TClient> FClients;
};

} // namespace skyloom
