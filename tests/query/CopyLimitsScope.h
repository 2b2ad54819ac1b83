#pragma once
// Sets the grid copy's sizes for one test and puts the previous ones back however it ends.
#include "query/CopyLimits.h"

namespace tbn::test {

class CopyLimitsScope {
public:
    CopyLimitsScope(std::size_t askAbove, std::size_t richUpTo) {
        query::CopyLimits::SetAskAboveBytes(askAbove);
        query::CopyLimits::SetRichFormsUpToBytes(richUpTo);
    }
    ~CopyLimitsScope() {
        query::CopyLimits::SetAskAboveBytes(askAbove_);
        query::CopyLimits::SetRichFormsUpToBytes(richUpTo_);
    }
    CopyLimitsScope(const CopyLimitsScope&) = delete;
    CopyLimitsScope& operator=(const CopyLimitsScope&) = delete;

private:
    std::size_t askAbove_ = query::CopyLimits::AskAboveBytes();
    std::size_t richUpTo_ = query::CopyLimits::RichFormsUpToBytes();
};

}  // namespace tbn::test
