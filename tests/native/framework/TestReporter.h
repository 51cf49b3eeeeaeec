#pragma once
// Takes the operator's place at message boxes: records each one and answers as told.
#include "framework/Report.h"

#include <vector>

struct ReportRecorder {
    std::vector<brv::Report> seen;
    int answer = brv::kIdOk;
    brv::Reporter previous;

    ReportRecorder() {
        previous = brv::SetReporter([this](const brv::Report& r) {
            seen.push_back(r);
            return answer;
        });
    }
    ~ReportRecorder() { brv::SetReporter(previous); }
    ReportRecorder(const ReportRecorder&) = delete;
};
