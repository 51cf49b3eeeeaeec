#include "app/StartupRestore_win.h"
#include "servercfg/RestartConfig.h"

#include "journal/JournalTexts.h"
#include "profile/WorkDir.h"
#include "restore/Adoption.h"
#include "restore/RememberedFile.h"
#include "servers/ConsoleFinder.h"
#include "servers/Launch.h"
#include "servers/PriorityChoice.h"
#include "servers/ServerChannel.h"
#include "servers/ServerForm.h"

#include <windows.h>

namespace brv {
namespace {

// A waiting start-up server is tried again after this, then as the governor paces it.
constexpr uint64_t kFirstRetryMs = 500;

uint64_t RunningForMs(uint64_t creationTime) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t t = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return t > creationTime ? (t - creationTime) / 10000 : 0;
}

void Adopt(const RestoreTargets& t, Adoption& adoption, const RememberedServer& entry, RestoreOutcome& out) {
    brvRunSL& record = adoption.record;
    t.table.Append(record);
    UpdateFormForServer(t.host, t.table, record.serverTitle, FormUpdate::kNewServer);
    t.events.Adopted(record, RunningForMs(entry.creationTime));
    if (!adoption.reason.empty()) {
        // Watched and stoppable all the same; only commands or its console are out of reach.
        t.watchdog.Log().Write(JournalTag::Adopt, record.serverTitle + L": " + adoption.reason);
    }
    ++out.adopted;
}

// Not started now (its port still held, the process refused): never a box and never dropped. It
// joins the waiting restarts, journaled and paced like a supervised restart, and the drop-down, so
// the operator sees it and can stop it.
void Wait(const RestoreTargets& t, brvRunSL record, const StartResult& started, const std::wstring& refusal,
          RestoreOutcome& out) {
    record.serverTitle = ServerTitleOf(record);
    record.process = nullptr;
    record.processId = 0;
    RestartFailure why = RestartFailure::kRefused;
    switch (started.outcome) {
    case StartOutcome::kPortBusy:
        why = RestartFailure::kPortBusy;
        break;
    case StartOutcome::kProcessNotCreated:
        why = RestartFailure::kProcessNotCreated;
        break;
    case StartOutcome::kChannelNotCreated:
        why = RestartFailure::kChannelNotCreated;
        break;
    default:
        t.watchdog.Log().Write(JournalTag::Fail, record.serverTitle + L": не запущен снова: " + refusal);
        break;
    }
    t.events.RestartFailed(record, why, started.error, {});
    t.table.AddPending({record, GetTickCount64() + kFirstRetryMs, t.table.Epoch(record.serverTitle)});
    UpdateFormForServer(t.host, t.table, record.serverTitle, FormUpdate::kNewServer);
    out.settled = false;
    ++out.waiting;
}

void StartAgain(const RestoreTargets& t, const RememberedServer& entry, const std::wstring& serverExe,
                bool restore, RestoreOutcome& out) {
    const std::wstring title = ServerTitleOf(entry.record);
    if (!restore) {
        t.watchdog.Log().Write(JournalTag::Restore,
                               title + L": не запущен снова ([Startup] RestoreServers=0)");
        ++out.leftAlone;
        return;
    }
    brvRunSL record = entry.record;
    // Only this folder's own server program is ever started, whatever path the file names.
    record.serverExePath = serverExe;
    const std::optional<uint32_t> priority =
        IsPriorityClass(entry.priorityClass) ? std::optional<uint32_t>(entry.priorityClass) : t.formPriority;
    std::wstring refusal = L"не выбран приоритет";
    StartResult started;
    if (priority) {
        StartOptions options;
        options.owner = t.host.OwnerWindow();
        options.notify = [&refusal](const Report& r) { refusal = r.text; }; // journaled, never a box
        options.events = &t.events;
        options.portBusyIsOutcome = true;
        RewriteConfigForRestart(t.watchdog.WorkDir(), record);
        started = StartServer(t.table, record, *priority, options);
    }
    if (started.outcome != StartOutcome::kStarted) {
        Wait(t, record, started, refusal, out);
        return;
    }
    UpdateFormForServer(t.host, t.table, started.record.serverTitle, FormUpdate::kNewServer);
    t.consoles.Watch(started.record);
    t.watchdog.Log().Write(JournalTag::Restore, RestoreText(title));
    ++out.restarted;
}

} // namespace

RestoreOutcome AdoptOrRestoreServers(const RestoreTargets& t) {
    RestoreOutcome out;
    const std::wstring workDir = t.watchdog.WorkDir();
    RememberedLoad load = LoadRememberedServers(RememberedFilePath(workDir));
    if (load.state == RememberedState::kRefused || load.state == RememberedState::kUnreadable) {
        out.hold = load.state == RememberedState::kRefused ? ListHold::kRefused : ListHold::kUnreadable;
        out.reason = load.reason;
        out.settled = false;
        return out;
    }
    const bool restore = t.watchdog.Settings().startup.restoreServers;
    const std::wstring serverExe = JoinPath(workDir, L"hlds.exe");
    // Every server that still runs is taken over before any is started again: a stale entry for the
    // same address must not start a second server beside one that runs.
    std::vector<const RememberedServer*> gone;
    for (const RememberedServer& entry : load.servers) {
        const std::wstring title = ServerTitleOf(entry.record);
        Adoption adoption = AdoptServer(entry, serverExe);
        if (adoption.verdict == AdoptVerdict::kAdopted &&
            t.table.HoldsAddress(adoption.record.ip, adoption.record.port)) {
            // Listed twice: the second is released, never ended.
            ServerTable::ReleaseHandles(adoption.record, CloseHandleValue);
            CloseHandleValue(adoption.record.process);
            ++out.leftAlone;
            continue;
        }
        switch (adoption.verdict) {
        case AdoptVerdict::kAdopted:
            Adopt(t, adoption, entry, out);
            break;
        case AdoptVerdict::kNoAccess:
            // Something of that id runs and cannot be told apart: neither taken over nor ended, and
            // kept in the list for a Brivan that may take it over.
            t.watchdog.Log().Write(JournalTag::Adopt, title + L": не подхвачен: " + adoption.reason);
            out.carried.push_back(entry);
            out.settled = false;
            ++out.leftAlone;
            break;
        case AdoptVerdict::kGone:
            if (adoption.match != ProcessMatch::kNotRunning) {
                // The id belongs to another program now: said once, and that program is left alone.
                t.watchdog.Log().Write(JournalTag::Adopt, title + L": не подхвачен: " + adoption.reason);
            }
            gone.push_back(&entry);
            break;
        }
    }
    for (const RememberedServer* entry : gone) {
        if (t.table.HoldsAddress(entry->record.ip, entry->record.port)) {
            ++out.leftAlone; // its address is another remembered server's, which runs
            continue;
        }
        StartAgain(t, *entry, serverExe, restore, out);
    }
    return out;
}

} // namespace brv
