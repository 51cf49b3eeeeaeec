#pragma once
// The servers' status window (template 180): modeless, one line per server in the table and per
// restart that waits, refreshed once a second from the query watchdog's published lines (it never
// waits for the supervision), sorted by the column whose header was clicked last.
#include "framework/Dialog_win.h"
#include "query/WatchdogCore.h"

#include <functional>
#include <span>
#include <vector>

class CServerStatusDlg : public brv::DialogT<CServerStatusDlg> {
public:
    using Source = std::function<std::vector<brv::query::StatusEntry>()>;
    explicit CServerStatusDlg(Source source);

    static std::span<const Route> Routes();
    // Shows it, or brings it to the front when it is open already.
    bool Open(HWND owner) { return ShowModeless(owner); }

protected:
    bool OnInitDialog() override;

private:
    std::optional<LRESULT> OnTimer(WPARAM wParam, LPARAM);
    std::optional<LRESULT> OnSize(WPARAM, LPARAM lParam);
    std::optional<LRESULT> OnNotify(WPARAM, LPARAM lParam);
    std::optional<LRESULT> OnGetMinMaxInfo(WPARAM, LPARAM lParam);
    std::optional<LRESULT> OnDestroy(WPARAM, LPARAM);

    void Refresh();
    void ShowSortMark();
    int Dlu(int units, bool horizontal) const;

    Source m_source;
    int m_sortColumn = 0;
    bool m_ascending = true;
};
