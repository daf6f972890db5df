// A view that records what the import shows: the display fields, the status texts, the message
// boxes (answered by `answer`), and the yields, inside which onYield acts as a click would. Base
// is the import's view, or a window's view built on it, whose other members the test adds.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "importer/import_view.h"

namespace vexo::test_support {

struct ShownMessage {
    std::string text;
    std::string caption;
    importer::MessageButtons buttons;
    importer::MessageIcon icon;
};

template <typename Base = importer::ImportView>
class RecordingImportView : public Base {
  public:
    using DisplayField = importer::DisplayField;
    using MessageAnswer = importer::MessageAnswer;

    std::map<DisplayField, std::string> fields;
    std::vector<std::string> statusTexts;
    std::vector<ShownMessage> messages;
    std::vector<std::string> log;  // in order: the boxes shown, the fields emptied, what Base adds
    int yields = 0;
    std::function<void()> onYield;
    // OK to a box that has only OK, No to a question.
    std::function<MessageAnswer(const ShownMessage&)> answer = [](const ShownMessage& message) {
        return message.buttons == importer::MessageButtons::Ok ? MessageAnswer::Ok
                                                               : MessageAnswer::No;
    };

    void SetDisplayField(DisplayField field, std::string_view text) override {
        fields[field] = std::string(text);
        if (text.empty()) {
            static const std::map<DisplayField, std::string> kNames = {
                {DisplayField::Show, "txtShow"},
                {DisplayField::SeasonNumber, "txtSeasonNumber"},
                {DisplayField::EpisodeNumber, "txtEpisodeNumber"},
                {DisplayField::EpisodeID, "txtEpisodeID"}};
            log.push_back("clear " + kNames.at(field));
        }
    }
    void SetStatusText(std::string_view text) override { statusTexts.emplace_back(text); }
    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              importer::MessageButtons buttons,
                              importer::MessageIcon icon) override {
        messages.push_back({std::string(text), std::string(caption), buttons, icon});
        log.push_back("message " + std::string(text));
        return answer(messages.back());
    }
    void YieldToEvents() override {
        ++yields;
        if (onYield) {
            onYield();
        }
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const ShownMessage& message : messages) {
            texts.push_back(message.text);
        }
        return texts;
    }
};

}  // namespace vexo::test_support
