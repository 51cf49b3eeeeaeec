#pragma once
// The operator's texts of the journal's lines, one function per kind of event. Each text is what
// follows the tag; titles are server titles ("name - port").
#include <cstdint>
#include <string>
#include <vector>

namespace brv {

// BRIVAN
std::wstring BrivanStartedText(const std::wstring& version, const std::wstring& workDir);
// CloseApp: an installer's Restart Manager closed Brivan while the session goes on.
enum class BrivanEnd { ExitButton, SessionEnd, CloseApp };
std::wstring BrivanEndedText(BrivanEnd how);
// A query about the session's end was not followed by the end within `waitedSeconds`.
std::wstring SessionKeptText(uint32_t waitedSeconds);
std::wstring JournalDroppedText(uint64_t lines);
// Written once the journal could be written again; `since` is the stamp of the first failure.
std::wstring JournalUnwritableText(const std::string& since, unsigned long errorCode);
std::wstring WebhookFailedText(const std::wstring& reason);

// START: the command line is masked here (the record's two passwords are its known values).
std::wstring StartText(const std::wstring& title, uint32_t processId, const std::wstring& commandLine,
                       const std::vector<std::wstring>& passwords);

// STOP
enum class StopBy { StopButton, Exit };
std::wstring StopText(const std::wstring& title, uint32_t processId, StopBy by);

// EXIT
std::wstring ExitText(const std::wstring& title, uint32_t processId, uint32_t exitCode,
                      uint64_t uptimeSeconds);

// WINDOW: `serverTitle` may be empty when the owner is not one of ours.
std::wstring WindowText(const std::wstring& serverTitle, uint32_t ownerProcessId,
                        const std::wstring& windowTitle, const std::wstring& message);

// DELAY
std::wstring DelayText(const std::wstring& title, uint32_t quickDeaths, uint32_t delaySeconds);

// FAIL
enum class FailReason {
    PortBusy,
    ProgramMissing,
    ProcessNotCreated,
    ChannelNotCreated,
    LaunchRefused,
    NoPriority,
    Unexpected
};
std::wstring FailReasonText(FailReason reason);
std::wstring FailText(const std::wstring& title, FailReason reason, long errorCode, uint32_t retrySeconds);

// HANG, ADOPT, RESTORE, SCHEDULED
std::wstring HangText(const std::wstring& title, uint32_t processId, uint64_t silentSeconds);
std::wstring AdoptText(const std::wstring& title, uint32_t processId);
std::wstring RestoreText(const std::wstring& title);
std::wstring ScheduledWarningText(const std::wstring& title, int minutes);
std::wstring ScheduledQuitText(const std::wstring& title);
std::wstring ScheduledKillText(const std::wstring& title, uint32_t processId, int waitedSeconds);

// BRIVAN lines of the remote endpoint, and REMOTE: an action asked from elsewhere.
std::wstring RemoteOnText(const std::wstring& where, bool control, bool token);
std::wstring RemoteExposedText(const std::wstring& where);
std::wstring RemoteBindFailedText(const std::wstring& where, long errorCode);
std::wstring RemoteOffText();
std::wstring RemoteActionText(const std::wstring& caller, const std::wstring& action,
                              const std::wstring& title, const std::wstring& result);

} // namespace brv
