// Message boxes go on top of the window the operator is working in.
#include "framework/Report.h"
#include "tests/native/framework/TestReporter.h"

#include <gtest/gtest.h>

#include <thread>

using namespace brv;

TEST(OperatorWindow, MessageBoxesAreOwnedByTheInnermostDialogOfTheThread) {
    ReportRecorder reports;
    void* main = reinterpret_cast<void*>(0x100);
    void* editor = reinterpret_cast<void*>(0x200);
    void* elsewhere = reinterpret_cast<void*>(0x300);

    ShowMessage(nullptr, L"t", L"c", kMbOk); // no dialog yet: as given
    EXPECT_EQ(OperatorWindow(), nullptr);
    {
        OperatorWindowScope mainRun(main);
        ShowMessage(nullptr, L"t", L"c", kMbOk);
        {
            OperatorWindowScope editorRun(editor);
            EXPECT_EQ(OperatorWindow(), editor);
            ShowMessage(nullptr, L"t", L"c", kMbOk); // a file message without owner
            ShowMessage(main, L"t", L"c", kMbOk);    // a window under the open dialog
            ShowMessage(elsewhere, L"t", L"c", kMbOk);
            void* onOtherThread = elsewhere;
            std::thread([&] {
                onOtherThread = OperatorWindow();
                ShowMessage(nullptr, L"t", L"c", kMbOk);
            }).join();
            EXPECT_EQ(onOtherThread, nullptr);
        }
        EXPECT_EQ(OperatorWindow(), main);
        ShowMessage(nullptr, L"t", L"c", kMbOk);
    }
    EXPECT_EQ(OperatorWindow(), nullptr);

    std::vector<void*> owners;
    for (const auto& r : reports.seen) {
        owners.push_back(r.owner);
    }
    EXPECT_EQ(owners, (std::vector<void*>{nullptr, main, editor, editor, elsewhere, nullptr, main}));
}
