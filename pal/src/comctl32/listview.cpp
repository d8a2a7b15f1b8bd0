// The list view in report mode: columns, rows with sub-item texts, state (selection, focus, the check
// box as state image 1 or 2) and item data. State changes ask the parent first (LVN_ITEMCHANGING, which
// it may refuse) and tell it after (LVN_ITEMCHANGED), whoever makes them.
#include <algorithm>

#include "user32/window.h"

namespace pal::win {

namespace {

constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1), kChecked = INDEXTOSTATEIMAGEMASK(2);

class ListView : public ClassProc {
public:
    bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        int count = int(m_rows.size());
        auto valid = [&](WPARAM i) { return LONG(i) >= 0 && LONG(i) < count; };
        switch (msg) {
        case LVM_SETEXTENDEDLISTVIEWSTYLE: {
            DWORD mask = wParam ? DWORD(wParam) : ~DWORD(0);
            result = m_exStyle;
            DWORD old = m_exStyle;
            m_exStyle = (m_exStyle & ~mask) | (DWORD(lParam) & mask);
            if ((m_exStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
                for (Row& r : m_rows)
                    if (!(r.state & LVIS_STATEIMAGEMASK))
                        r.state |= kUnchecked;
            return true;
        }
        case LVM_GETEXTENDEDLISTVIEWSTYLE:
            result = m_exStyle;
            return true;
        case LVM_INSERTCOLUMNW: {
            const auto* c = reinterpret_cast<const LVCOLUMNW*>(lParam);
            if (!c || LONG(wParam) < 0) {
                result = -1;
                return true;
            }
            int at = std::min<int>(int(wParam), int(m_columns.size()));
            Column col;
            if ((c->mask & LVCF_TEXT) && c->pszText)
                col.title = c->pszText;
            if (c->mask & LVCF_WIDTH)
                col.width = c->cx;
            if (c->mask & LVCF_FMT)
                col.format = c->fmt;
            m_columns.insert(m_columns.begin() + at, col);
            result = at;
            return true;
        }
        case LVM_GETCOLUMNWIDTH:
            result = LONG(wParam) >= 0 && wParam < m_columns.size() ? m_columns[wParam].width : 0;
            return true;
        case LVM_SETCOLUMNWIDTH:
            if (LONG(wParam) < 0 || wParam >= m_columns.size()) {
                result = FALSE;
                return true;
            }
            m_columns[wParam].width = Width(w, int(wParam), int(int16_t(LOWORD(lParam))));
            result = TRUE;
            return true;
        case LVM_INSERTITEMW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (!item || item->iItem < 0 || item->iSubItem != 0) {
                result = -1;
                return true;
            }
            int at = std::min(item->iItem, count);
            Row row;
            row.cells.resize(1);
            if ((item->mask & LVIF_TEXT) && item->pszText)
                row.cells[0] = item->pszText;
            if (item->mask & LVIF_PARAM)
                row.data = item->lParam;
            if (item->mask & LVIF_STATE)
                row.state = item->state & item->stateMask;
            if ((m_exStyle & LVS_EX_CHECKBOXES) && !(row.state & LVIS_STATEIMAGEMASK))
                row.state |= kUnchecked;
            m_rows.insert(m_rows.begin() + at, row);
            result = at;
            return true;
        }
        case LVM_DELETEITEM:
            if (!valid(wParam)) {
                result = FALSE;
                return true;
            }
            m_rows.erase(m_rows.begin() + long(wParam));
            result = TRUE;
            return true;
        case LVM_DELETEALLITEMS:
            m_rows.clear();
            result = TRUE;
            return true;
        case LVM_GETITEMCOUNT:
            result = count;
            return true;
        case LVM_GETSELECTEDCOUNT:
            result = std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
            return true;
        case LVM_SETITEMTEXTW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (!item || !valid(wParam) || item->iSubItem < 0) {
                result = FALSE;
                return true;
            }
            SetText(int(wParam), item->iSubItem, item->pszText);
            result = TRUE;
            return true;
        }
        case LVM_GETITEMTEXTW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            if (!item || !valid(wParam)) {
                result = 0;
                return true;
            }
            result = CopyOut(Text(int(wParam), item->iSubItem), item->pszText, item->cchTextMax);
            return true;
        }
        case LVM_GETITEMW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            if (!item || !valid(WPARAM(item->iItem))) {
                result = FALSE;
                return true;
            }
            const Row& row = m_rows[size_t(item->iItem)];
            if (item->mask & LVIF_TEXT)
                CopyOut(Text(item->iItem, item->iSubItem), item->pszText, item->cchTextMax);
            if (item->mask & LVIF_STATE)
                item->state = row.state & item->stateMask;
            if (item->mask & LVIF_PARAM)
                item->lParam = row.data;
            if (item->mask & LVIF_IMAGE)
                item->iImage = 0;
            result = TRUE;
            return true;
        }
        case LVM_SETITEMW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (!item || !valid(WPARAM(item->iItem))) {
                result = FALSE;
                return true;
            }
            LVITEMW copy = *item;
            if ((copy.mask & LVIF_TEXT) && copy.pszText)
                SetText(copy.iItem, copy.iSubItem, copy.pszText);
            if ((copy.mask & LVIF_PARAM) && copy.iSubItem == 0)
                m_rows[size_t(copy.iItem)].data = copy.lParam;
            result = TRUE;
            if ((copy.mask & LVIF_STATE) && copy.iSubItem == 0)
                result = ChangeState(w, copy.iItem, copy.state, copy.stateMask) ? TRUE : FALSE;
            return true;
        }
        case LVM_SETITEMSTATE: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (!item) {
                result = FALSE;
                return true;
            }
            LVITEMW copy = *item;
            if (LONG(wParam) == -1) {
                for (int i = 0; i < int(m_rows.size()); ++i)
                    ChangeState(w, i, copy.state, copy.stateMask);
                result = TRUE;
            } else {
                result = valid(wParam) && ChangeState(w, int(wParam), copy.state, copy.stateMask) ? TRUE : FALSE;
            }
            return true;
        }
        case LVM_GETITEMSTATE:
            result = valid(wParam) ? LRESULT(m_rows[wParam].state & UINT(lParam)) : 0;
            return true;
        case LVM_GETNEXTITEM: {
            UINT flags = UINT(lParam);
            result = -1;
            for (int i = int(LONG(wParam)) + 1; i < count; ++i) {
                UINT s = m_rows[size_t(i)].state;
                if ((flags & LVNI_SELECTED) && !(s & LVIS_SELECTED))
                    continue;
                if ((flags & LVNI_FOCUSED) && !(s & LVIS_FOCUSED))
                    continue;
                result = i;
                break;
            }
            return true;
        }
        case LVM_ENSUREVISIBLE:
            result = valid(wParam) ? TRUE : FALSE;
            return true;
        case LVM_GETITEMRECT:
        case LVM_GETSUBITEMRECT: {
            auto* r = reinterpret_cast<RECT*>(lParam);
            if (!r || !valid(wParam)) {
                result = FALSE;
                return true;
            }
            int column = msg == LVM_GETSUBITEMRECT ? r->top : 0;
            bool whole = msg == LVM_GETITEMRECT ? r->left != LVIR_LABEL : (r->left == LVIR_BOUNDS && column == 0);
            if (column < 0 || column >= std::max<int>(1, int(m_columns.size()))) {
                result = FALSE;
                return true;
            }
            *r = CellRect(int(wParam), column, whole);
            result = TRUE;
            return true;
        }
        case LVM_SUBITEMHITTEST: {
            auto* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
            result = -1;
            if (!hit)
                return true;
            hit->iItem = hit->iSubItem = -1;
            hit->flags = 0;
            for (int i = 0; i < count; ++i)
                for (int c = 0; c < int(m_columns.size()); ++c) {
                    RECT cell = CellRect(i, c, false);
                    if (hit->pt.x >= cell.left && hit->pt.x < cell.right && hit->pt.y >= cell.top &&
                        hit->pt.y < cell.bottom) {
                        hit->iItem = i;
                        hit->iSubItem = c;
                        hit->flags = LVHT_ONITEM;
                        result = i;
                    }
                }
            return true;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            NMHDR header{};
            header.code = msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS;
            NotifyParent(w, header);
            result = 0;
            return true;
        }
        default:
            return false;
        }
    }

    void Describe(const Window&, ControlView& v) const override
    {
        for (const Column& c : m_columns)
            v.columns.push_back(c.title);
        for (const Row& r : m_rows) {
            ListViewRow row;
            row.cells = r.cells;
            row.cells.resize(std::max(row.cells.size(), m_columns.size()));
            row.checked = (r.state & LVIS_STATEIMAGEMASK) == kChecked;
            row.selected = (r.state & LVIS_SELECTED) != 0;
            row.data = r.data;
            v.rows.push_back(std::move(row));
        }
    }

    bool SetCheck(Window& w, int row, bool checked)
    {
        if (!(m_exStyle & LVS_EX_CHECKBOXES) || row < 0 || row >= int(m_rows.size()))
            return false;
        return ChangeState(w, row, checked ? kChecked : kUnchecked, LVIS_STATEIMAGEMASK) &&
               ((m_rows[size_t(row)].state & LVIS_STATEIMAGEMASK) == kChecked) == checked;
    }

    bool Click(Window& w, int row, int column, UINT code)
    {
        if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= std::max<int>(1, int(m_columns.size())))
            return false;
        HWND h = w.handle;
        // The click selects the row alone and gives it the focus, as in report mode.
        for (int i = 0; i < int(m_rows.size()) && Find(h); ++i)
            if (i != row && (m_rows[size_t(i)].state & (LVIS_SELECTED | LVIS_FOCUSED)))
                ChangeState(w, i, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (!Find(h) || row >= int(m_rows.size()))
            return false;
        ChangeState(w, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        if (!Find(h) || row >= int(m_rows.size()))
            return false;
        RECT cell = CellRect(row, column, false);
        NMITEMACTIVATE nm{};
        nm.hdr.code = code;
        nm.iItem = row;
        nm.iSubItem = column;
        nm.ptAction = POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        nm.lParam = m_rows[size_t(row)].data;
        NotifyParent(w, nm.hdr);
        return true;
    }

private:
    struct Column {
        std::u16string title;
        int width = 50;
        int format = LVCFMT_LEFT;
    };
    struct Row {
        std::vector<std::u16string> cells;
        UINT state = 0;
        LPARAM data = 0;
    };

    std::u16string Text(int row, int column) const
    {
        const Row& r = m_rows[size_t(row)];
        return column >= 0 && size_t(column) < r.cells.size() ? r.cells[size_t(column)] : std::u16string();
    }

    void SetText(int row, int column, LPCWSTR text)
    {
        Row& r = m_rows[size_t(row)];
        if (r.cells.size() <= size_t(column))
            r.cells.resize(size_t(column) + 1);
        r.cells[size_t(column)] = text ? text : u"";
    }

    static int HeaderHeight() { return LineHeight() + 8; }
    static int RowHeight() { return LineHeight() + 4; }

    RECT CellRect(int row, int column, bool wholeRow) const
    {
        int x = 0;
        for (int c = 0; c < column && c < int(m_columns.size()); ++c)
            x += m_columns[size_t(c)].width;
        int width = m_columns.empty() ? 100 : m_columns[size_t(column)].width;
        int top = HeaderHeight() + row * RowHeight();
        if (wholeRow) {
            int total = 0;
            for (const Column& c : m_columns)
                total += c.width;
            return RECT{0, top, total, top + RowHeight()};
        }
        return RECT{x, top, x + width, top + RowHeight()};
    }

    int Width(const Window& w, int column, int asked) const
    {
        if (asked >= 0)
            return asked;
        int width = 0;
        for (const Row& r : m_rows)
            if (size_t(column) < r.cells.size())
                width = std::max(width, TextWidth(r.cells[size_t(column)]) + 12);
        if (column == 0 && (m_exStyle & LVS_EX_CHECKBOXES))
            width += 16;
        if (asked == LVSCW_AUTOSIZE_USEHEADER) {
            width = std::max(width, TextWidth(m_columns[size_t(column)].title) + 12);
            if (column + 1 == int(m_columns.size())) { // the last column fills the list
                RECT client;
                GetClientRect(w.handle, &client);
                int used = 0;
                for (int c = 0; c < column; ++c)
                    used += m_columns[size_t(c)].width;
                width = std::max<int>(width, client.right - used);
            }
        }
        return width;
    }

    // False when the parent refuses the change.
    bool ChangeState(Window& w, int index, UINT state, UINT mask)
    {
        HWND h = w.handle;
        Row& row = m_rows[size_t(index)];
        UINT next = (row.state & ~mask) | (state & mask);
        if (next == row.state)
            return true;
        NMLISTVIEW nm{};
        nm.hdr.code = LVN_ITEMCHANGING;
        nm.iItem = index;
        nm.iSubItem = 0;
        nm.uNewState = next;
        nm.uOldState = row.state;
        nm.uChanged = LVIF_STATE;
        nm.lParam = row.data;
        if (NotifyParent(w, nm.hdr))
            return false;
        Window* again = Find(h);
        if (!again || index >= int(m_rows.size()))
            return false;
        UINT old = m_rows[size_t(index)].state;
        next = (old & ~mask) | (state & mask);
        m_rows[size_t(index)].state = next;
        if ((next & LVIS_SELECTED) && (again->style & LVS_SINGLESEL))
            for (int i = 0; i < int(m_rows.size()); ++i)
                if (i != index)
                    m_rows[size_t(i)].state &= ~UINT(LVIS_SELECTED);
        nm.hdr = NMHDR{};
        nm.hdr.code = LVN_ITEMCHANGED;
        nm.uOldState = old;
        nm.uNewState = next;
        nm.lParam = m_rows[size_t(index)].data;
        NotifyParent(*again, nm.hdr);
        return true;
    }

    DWORD m_exStyle = 0;
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
};

} // namespace

std::unique_ptr<ClassProc> MakeListView() { return std::make_unique<ListView>(); }

bool SetListViewCheck(Window& w, int row, bool checked)
{
    auto* list = dynamic_cast<ListView*>(w.proc.get());
    return list && list->SetCheck(w, row, checked);
}

bool ClickListViewItem(Window& w, int row, int column, UINT code)
{
    auto* list = dynamic_cast<ListView*>(w.proc.get());
    return list && list->Click(w, row, column, code);
}

} // namespace pal::win
