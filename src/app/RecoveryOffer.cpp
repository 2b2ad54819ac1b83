#include "app/RecoveryOffer.h"

#include "app/QueryWindowOpening.h"
#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "recovery/RecoveryFailure.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "ui/MsgBox.h"
#include "ui/mdlErrors.h"

#include <memory>
#include <optional>

namespace tbn::app {

namespace {

using recovery::LeftTexts;
using namespace tbn::ui;

const QString kContext = QStringLiteral("frmMDI >> Recovery");

QString Question(std::size_t count) {
    if (count == 1)
        return QStringLiteral("TBN did not end normally last time and 1 query text was left open.\r\n\r\n"
                              "Reopen it? (No puts it aside for good.)");
    return QStringLiteral("TBN did not end normally last time and %1 query texts were left open.\r\n\r\n"
                          "Reopen them? (No puts them aside for good.)")
        .arg(count);
}

int ReopenAll(frmMDI& frame, const LeftTexts& left) {
    int opened = 0;
    int unconnected = 0;
    std::optional<tbn::Error> firstFailure;
    for (const LeftTexts::Entry& entry : left.Texts()) {
        std::optional<tbn::Error> failure;
        frmMain* window =
            OpenQueryWindowWithText(frame, entry.record.name, entry.record.cnn, entry.record.text, failure);
        ++opened;
        if (failure) {
            ++unconnected;
            if (!firstFailure) firstFailure = failure;
        }
        // The old file goes only once the window keeps the text in a file of its own.
        if (!window->Recovery().SaveNow()) continue;
        try {
            left.Remove(entry);
        } catch (const tbn::Error& e) {
            recovery::ReportRecoveryFailure(e);
        }
    }
    if (firstFailure) {
        const std::string told = unconnected == 1
                                     ? std::string("1 reopened text has no connection: ")
                                     : std::to_string(unconnected) + " reopened texts have no connection; the first "
                                                                     "failure: ";
        mdlErrors::ShowError(tbn::Error(firstFailure->Number(), told + firstFailure->Description()), kContext,
                             vbCritical);
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

} // namespace

int OfferRecovery(frmMDI& frame) {
    std::unique_ptr<LeftTexts> left;
    try {
        left = std::make_unique<LeftTexts>();
    } catch (...) {
        recovery::ReportRecoveryFailure(tbn::Error::From(std::current_exception()));
        return 0;
    }
    if (const std::vector<tbn::Error>& problems = left->Problems(); !problems.empty()) {
        const std::string told = problems.size() == 1 ? std::string()
                                                      : std::to_string(problems.size()) +
                                                            " recovery files cannot be reopened; the first: ";
        mdlErrors::ShowError(tbn::Error(problems.front().Number(), told + problems.front().Description()), kContext,
                             vbCritical);
    }
    if (left->Texts().empty()) return 0;
    if (MsgBox(Question(left->Texts().size()), vbYesNo + vbQuestion, QStringLiteral("TBN")) != vbYes) {
        DiscardAll(*left);
        return 0;
    }
    return ReopenAll(frame, *left);
}

} // namespace tbn::app
