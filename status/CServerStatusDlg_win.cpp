#include "status/CServerStatusDlg_win.h"

#include "res/resource.h"
#include "status/StatusColumns.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kFirstTimer = 2; // the watchdog publishes once a window asks: look again soon
constexpr UINT kRefreshMs = 1000;
constexpr UINT kFirstMs = 300;
constexpr int kMarginDlu = 4;

HWND List(HWND dialog) {
    return GetDlgItem(dialog, IDC_STATUS_LIST);
}

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, row, column, text, 512);
    return text;
}

} // namespace

CServerStatusDlg::CServerStatusDlg(Source source) : DialogT(IDD_SERVER_STATUS), m_source(std::move(source)) {}

std::span<const CServerStatusDlg::Route> CServerStatusDlg::Routes() {
    static const Route routes[] = {
        On(WM_TIMER, &CServerStatusDlg::OnTimer),
        On(WM_SIZE, &CServerStatusDlg::OnSize),
        On(WM_NOTIFY, &CServerStatusDlg::OnNotify),
        On(WM_GETMINMAXINFO, &CServerStatusDlg::OnGetMinMaxInfo),
        On(WM_DESTROY, &CServerStatusDlg::OnDestroy),
    };
    return routes;
}

int CServerStatusDlg::Dlu(int units, bool horizontal) const {
    RECT r{0, 0, horizontal ? units : 0, horizontal ? 0 : units};
    MapDialogRect(Hwnd(), &r);
    return horizontal ? r.right : r.bottom;
}

bool CServerStatusDlg::OnInitDialog() {
    HWND list = List(Hwnd());
    ListView_SetExtendedListViewStyle(list,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
    for (int c = 0; c < brv::kStatusColumns; ++c) {
        const brv::StatusColumnInfo& info = brv::ColumnInfo(c);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = info.right ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Dlu(info.widthDlu, true); // in dialog units: it scales with the font and the screen
        column.pszText = const_cast<wchar_t*>(info.caption);
        column.iSubItem = c;
        ListView_InsertColumn(list, c, &column);
    }
    ShowSortMark();
    Refresh();
    SetTimer(Hwnd(), kFirstTimer, kFirstMs, nullptr);
    SetTimer(Hwnd(), kRefreshTimer, kRefreshMs, nullptr);
    return true;
}

std::optional<LRESULT> CServerStatusDlg::OnDestroy(WPARAM, LPARAM) {
    KillTimer(Hwnd(), kRefreshTimer);
    KillTimer(Hwnd(), kFirstTimer);
    return std::nullopt;
}

std::optional<LRESULT> CServerStatusDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == kFirstTimer) {
        KillTimer(Hwnd(), kFirstTimer);
    } else if (wParam != kRefreshTimer) {
        return std::nullopt;
    }
    Refresh();
    return 0;
}

std::optional<LRESULT> CServerStatusDlg::OnSize(WPARAM, LPARAM lParam) {
    const int margin = Dlu(kMarginDlu, true);
    const int width = LOWORD(lParam) - 2 * margin;
    const int height = HIWORD(lParam) - 2 * Dlu(kMarginDlu, false);
    MoveWindow(List(Hwnd()), margin, Dlu(kMarginDlu, false), width > 0 ? width : 0, height > 0 ? height : 0,
               TRUE);
    return 0;
}

std::optional<LRESULT> CServerStatusDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = Dlu(160, true);
    info->ptMinTrackSize.y = Dlu(60, false);
    return 0;
}

std::optional<LRESULT> CServerStatusDlg::OnNotify(WPARAM, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_STATUS_LIST || header->code != LVN_COLUMNCLICK) {
        return std::nullopt;
    }
    const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
    m_ascending = column == m_sortColumn ? !m_ascending : true;
    m_sortColumn = column;
    ShowSortMark();
    Refresh();
    return 0;
}

void CServerStatusDlg::ShowSortMark() {
    HWND header = ListView_GetHeader(List(Hwnd()));
    for (int c = 0; c < brv::kStatusColumns; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, c, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (c == m_sortColumn) {
            item.fmt |= m_ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        Header_SetItem(header, c, &item);
    }
}

// The lines are written in place, so the list neither flickers nor loses its scroll position; the
// selected server stays selected wherever the sort puts it.
void CServerStatusDlg::Refresh() {
    std::vector<brv::query::StatusEntry> lines =
        m_source ? m_source() : std::vector<brv::query::StatusEntry>{};
    brv::SortStatus(lines, m_sortColumn, m_ascending);
    HWND list = List(Hwnd());
    const int chosen = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    const std::wstring selected = chosen >= 0 ? CellText(list, chosen, 0) : std::wstring();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const int rows = static_cast<int>(lines.size());
    while (ListView_GetItemCount(list) > rows) {
        ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
    }
    for (int row = 0; row < rows; ++row) {
        auto cells = brv::StatusCells(lines[static_cast<size_t>(row)]);
        if (row >= ListView_GetItemCount(list)) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = cells[0].data();
            ListView_InsertItem(list, &item);
        }
        for (int c = 0; c < brv::kStatusColumns; ++c) {
            if (CellText(list, row, c) != cells[static_cast<size_t>(c)]) {
                ListView_SetItemText(list, row, c, cells[static_cast<size_t>(c)].data());
            }
        }
        const bool select = !selected.empty() && cells[0] == selected;
        ListView_SetItemState(list, row, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, FALSE);
}
