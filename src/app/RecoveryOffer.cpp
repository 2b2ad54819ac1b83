#include "app/RecoveryOffer.h"

#include "app/QueryWindowOpening.h"
#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "recovery/RecoveryFailure.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "ui/MsgBox.h"
#include "ui/mdlErrors.h"

#include <functional>
#include <memory>
#include <optional>

namespace tbn::app {

namespace {

using recovery::LeftTexts;
using namespace tbn::ui;

const QString kContext = QStringLiteral("frmMDI >> Recovery");

QString Question(std::size_t count) {
    if (count == 1)
        return QStringLiteral(
            "TBN did not end normally last time and 1 query text was left open.\r\n\r\n"
            "Reopen it? (No puts it aside for good.)");
    return QStringLiteral(
               "TBN did not end normally last time and %1 query texts were left open.\r\n\r\n"
               "Reopen them? (No puts them aside for good.)")
        .arg(count);
}

// Each text opens in a window of its own at once; their connections end in any order, and the
// failures among them are reported together once the last has ended.
struct Unconnected {
    std::size_t pending = 0;
    int count = 0;
    std::optional<tbn::Error> first;
    std::function<void()> whenDone;
};

void ReportUnconnected(const Unconnected& tally) {
    if (!tally.first) return;
    const std::string told = tally.count == 1 ? std::string("1 reopened text has no connection: ")
                                              : std::to_string(tally.count) +
                                                    " reopened texts have no connection; the first "
                                                    "failure: ";
    mdlErrors::ShowError(tbn::Error(tally.first->Number(), told + tally.first->Description()),
                         kContext, vbCritical);
}

int ReopenAll(frmMDI& frame, const LeftTexts& left, std::function<void()> whenDone) {
    auto tally = std::make_shared<Unconnected>();
    tally->whenDone = std::move(whenDone);
    tally->pending = left.Texts().size();
    int opened = 0;
    for (const LeftTexts::Entry& entry : left.Texts()) {
        frmMain& window =
            OpenQueryWindowWithText(frame, entry.record.name, entry.record.cnn, entry.record.text,
                                    [tally](const std::optional<tbn::Error>& failure) {
                                        if (failure && tally->count++ == 0) tally->first = failure;
                                        if (--tally->pending > 0) return;
                                        ReportUnconnected(*tally);
                                        if (tally->whenDone) tally->whenDone();
                                    });
        ++opened;
        // The old file goes only once the window keeps the text in a file of its own.
        if (!window.Recovery().SaveNow()) continue;
        try {
            left.Remove(entry);
        } catch (const tbn::Error& e) {
            recovery::ReportRecoveryFailure(e);
        }
    }
    return opened;
}

void DiscardAll(const LeftTexts& left) {
    for (const LeftTexts::Entry& entry : left.Texts()) {
        try {
            left.Discard(entry);
        } catch (const tbn::Error& e) {
            recovery::ReportRecoveryFailure(e);
        }
    }
}

}  // namespace

int OfferRecovery(frmMDI& frame, std::function<void()> whenDone) {
    const auto nothingReopened = [&whenDone] {
        if (whenDone) whenDone();
        return 0;
    };
    std::unique_ptr<LeftTexts> left;
    try {
        left = std::make_unique<LeftTexts>();
    } catch (...) {
        recovery::ReportRecoveryFailure(tbn::Error::From(std::current_exception()));
        return nothingReopened();
    }
    if (const std::vector<tbn::Error>& problems = left->Problems(); !problems.empty()) {
        const std::string told = problems.size() == 1
                                     ? std::string()
                                     : std::to_string(problems.size()) +
                                           " recovery files cannot be reopened; the first: ";
        mdlErrors::ShowError(
            tbn::Error(problems.front().Number(), told + problems.front().Description()), kContext,
            vbCritical);
    }
    if (left->Texts().empty()) return nothingReopened();
    if (MsgBox(Question(left->Texts().size()), vbYesNo + vbQuestion, QStringLiteral("TBN")) !=
        vbYes) {
        DiscardAll(*left);
        return nothingReopened();
    }
    return ReopenAll(frame, *left, std::move(whenDone));
}

}  // namespace tbn::app
