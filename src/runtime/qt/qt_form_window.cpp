// FormWindow: keeping the widgets in step with the shared state, and turning what the
// user does into state changes and events.
#include "runtime/qt/qt_form_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

#include "runtime/qt/qt_page_model.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_text.h"
#include "runtime/window_events.h"

namespace kw::qt {

using ui::ControlKind;
namespace ev = ui::ev;
namespace key = ui::key;

namespace {

// The CP1251 capital of a Cyrillic letter key (Qt names such a key by the Unicode of
// its capital letter); 0 for other keys.
int cyrillicCapital(int qtKey) {
    if (qtKey < 0x400 || qtKey > 0x4FF) return 0;
    const std::string cp = toCp(QString(QChar(qtKey)).toUpper());
    const unsigned char c = cp.size() == 1 ? static_cast<unsigned char>(cp[0]) : 0;
    return ui::key::isCyrillicCapital(c) ? c : 0;
}

// Whether a letter key typed a capital: from the text it typed, so that Caps Lock counts
// as the operator sees it; from Shift when it typed none.
bool typedCapital(const QKeyEvent* e) {
    const QString t = e->text();
    if (t.size() == 1 && t[0].isLetter()) return t[0].isUpper();
    return e->modifiers() & Qt::ShiftModifier;
}

// The engine's key code of a key press; 0 for keys it has no code for.
int keyCode(const QKeyEvent* e) {
    const int k = e->key();
    const Qt::KeyboardModifiers m = e->modifiers();
    const bool plain = !(m & (Qt::ControlModifier | Qt::AltModifier));
    int code = 0;
    if (const int c = cyrillicCapital(k)) {
        code = key::Cyrillic | c;
        if (m & Qt::ControlModifier) code |= key::Ctrl;
        if (m & Qt::AltModifier) code |= key::Alt;
        if (plain ? typedCapital(e) : static_cast<bool>(m & Qt::ShiftModifier)) code |= key::Shift;
        return code;
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z && plain) {
        code = k;
        if (typedCapital(e)) code |= key::Shift;
        return code;
    }
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        code = k;
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F12)
        code = key::F1 + (k - Qt::Key_F1);
    else {
        switch (k) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                code = key::Enter;
                break;
            case Qt::Key_Escape:
                code = key::Esc;
                break;
            case Qt::Key_Tab:
                code = key::Tab;
                break;
            case Qt::Key_Backspace:
                code = key::Backspace;
                break;
            case Qt::Key_Space:
                code = key::Space;
                break;
            case Qt::Key_PageUp:
                code = key::PgUp;
                break;
            case Qt::Key_PageDown:
                code = key::PgDn;
                break;
            case Qt::Key_End:
                code = key::End;
                break;
            case Qt::Key_Home:
                code = key::Home;
                break;
            case Qt::Key_Left:
                code = key::Left;
                break;
            case Qt::Key_Up:
                code = key::Up;
                break;
            case Qt::Key_Right:
                code = key::Right;
                break;
            case Qt::Key_Down:
                code = key::Down;
                break;
            case Qt::Key_Insert:
                code = key::Insert;
                break;
            case Qt::Key_Delete:
                code = key::Delete;
                break;
            case Qt::Key_Apostrophe:
                code = key::Apostrophe;
                break;
            default:
                return 0;
        }
    }
    if (m & Qt::ShiftModifier) code |= key::Shift;
    if (m & Qt::ControlModifier) code |= key::Ctrl;
    if (m & Qt::AltModifier) code |= key::Alt;
    return code;
}

bool has(const std::vector<int>& v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

bool focusable(ControlKind k) {
    return k == ControlKind::Entry || k == ControlKind::Button || k == ControlKind::Check ||
           k == ControlKind::Option || k == ControlKind::List;
}

}  // namespace

FormWindow::FormWindow(std::shared_ptr<ui::WindowModel> model) : m_(std::move(model)) {}

int FormWindow::feqOf(QObject* o) const {
    auto it = feqs_.find(o);
    return it == feqs_.end() ? 0 : it->second;
}

void FormWindow::push(const ui::Event& e) {
    std::lock_guard lock(ui::uiMutex());
    m_->push(e);
}

void FormWindow::commitEntry(int feq) {
    bool post = false;
    {
        std::lock_guard lock(ui::uiMutex());
        const ui::ControlState* st = m_->state(feq);
        post = st && st->edited && !committed_[feq];
        if (post) {
            committed_[feq] = true;
            m_->push(ui::Event{ev::Accepted, feq});
        }
    }
}

void FormWindow::pressDefault(int from) {
    std::lock_guard lock(ui::uiMutex());
    for (const ui::Control& c : m_->def.controls) {
        if (c.kind == ControlKind::Button && c.isDefault && m_->usable(c.feq)) {
            m_->push(ui::Event{ev::Accepted, c.feq});
            return;
        }
    }
    if (from) m_->push(ui::Event{ev::Accepted, from});
}

bool FormWindow::handleKey(int feq, QKeyEvent* event) {
    const int code = keyCode(event);
    if (code == 0) return false;
    const ui::Control* c = m_->control(feq);
    {
        std::lock_guard lock(ui::uiMutex());
        const ui::ControlState* st = m_->state(feq);
        if ((st && has(st->alerts, code)) || has(m_->alerts, code)) {
            m_->push(ui::Event{ev::AlertKey, feq, code});
            return true;
        }
    }
    if (code == key::Esc) {
        push(ui::Event{ev::CloseWindow});
        return true;
    }
    if (code == key::CtrlEnter && c) {
        if (c->kind == ControlKind::Entry) commitEntry(feq);
        pressDefault(0);
        return true;
    }
    if (code == key::Enter && c && m_->def.enterMovesOn && c->kind != ControlKind::Button &&
        c->kind != ControlKind::List) {
        // An update form: Enter moves on as Tab does and never completes a half-filled form.
        if (c->kind == ControlKind::Entry) commitEntry(feq);
        focusNextChild();
        return true;
    }
    if (code == key::Enter && c) {
        if (c->kind == ControlKind::Button) {
            push(ui::Event{ev::Accepted, feq});
        } else {
            if (c->kind == ControlKind::Entry) commitEntry(feq);
            pressDefault(c->kind == ControlKind::List ? feq : 0);
        }
        return true;
    }
    return c && c->kind == ControlKind::List && handleListKey(feq, code);
}

bool FormWindow::handleListKey(int feq, int code) {
    QTableView* view = views_[feq];
    const int row = view->currentIndex().isValid() ? view->currentIndex().row() : 0;
    const int rows = view->model()->rowCount();
    int e = 0;
    if (code == key::Up && row <= 0)
        e = ev::ScrollUp;
    else if (code == key::Down && row >= rows - 1)
        e = ev::ScrollDown;
    else if (code == key::PgUp)
        e = ev::PageUp;
    else if (code == key::PgDn)
        e = ev::PageDown;
    else if (code == (key::Ctrl | key::Home))
        e = ev::ScrollTop;
    else if (code == (key::Ctrl | key::End))
        e = ev::ScrollBottom;
    if (e == 0) return false;
    push(ui::Event{e, feq});
    return true;
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    const int feq = feqOf(watched);
    if (feq == 0) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress:
            if (handleKey(feq, static_cast<QKeyEvent*>(event))) return true;
            break;
        case QEvent::FocusIn: {
            const ui::Control* c = m_->control(feq);
            int target = c && c->kind == ControlKind::Radio ? c->parent : feq;
            const ui::Control* t = m_->control(target);
            if (!t || !focusable(t->kind)) break;
            std::lock_guard lock(ui::uiMutex());
            if (m_->focus != target) {
                m_->focus = target;
                m_->push(ui::Event{ev::Selected, target});
            }
            break;
        }
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonPress: {
            const auto* me = static_cast<QMouseEvent*>(event);
            const int code = event->type() == QEvent::MouseButtonDblClick ? key::DoubleClick
                             : me->button() == Qt::RightButton            ? key::RightClick
                                                                          : 0;
            if (code == 0) break;
            std::lock_guard lock(ui::uiMutex());
            const ui::ControlState* st = m_->state(feq);
            if ((st && has(st->alerts, code)) || has(m_->alerts, code)) {
                m_->push(ui::Event{ev::AlertKey, feq, code});
                return true;
            }
            break;
        }
        case QEvent::Resize:
            if (auto* view = views_.count(feq) ? views_[feq] : nullptr; view == watched) {
                const int rowHeight = std::max(1, view->verticalHeader()->defaultSectionSize());
                std::lock_guard lock(ui::uiMutex());
                if (ui::ControlState* st = m_->state(feq))
                    st->visibleRows = std::max(1, view->viewport()->height() / rowHeight);
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window itself: no control has the focus.
    const int code = keyCode(event);
    if (code == key::Esc) {
        push(ui::Event{ev::CloseWindow});
    } else if (code == key::Enter) {
        pressDefault(0);
    } else {
        bool alerted = false;
        {
            std::lock_guard lock(ui::uiMutex());
            alerted = code != 0 && has(m_->alerts, code);
            if (alerted) m_->push(ui::Event{ev::AlertKey, 0, code});
        }
        if (!alerted) QMainWindow::keyPressEvent(event);
    }
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (engineClosing_) {
        event->accept();
        return;
    }
    // The close box asks; the procedure decides.
    event->ignore();
    push(ui::Event{ev::CloseWindow});
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    bool sized = false;
    {
        std::lock_guard lock(ui::uiMutex());
        sized = built_ && (m_->geometry.width != width() || m_->geometry.height != height());
        m_->geometry.width = width();
        m_->geometry.height = height();
        if (sized) m_->push(ui::Event{ev::Sized});
    }
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    std::lock_guard lock(ui::uiMutex());
    m_->geometry.x = x();
    m_->geometry.y = y();
}

void FormWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        const bool active = isActiveWindow();
        if (active && !wasActive_ && activatedOnce_) push(ui::Event{ev::GainFocus});
        activatedOnce_ = activatedOnce_ || active;
        wasActive_ = active;
    } else if (event->type() == QEvent::WindowStateChange) {
        std::lock_guard lock(ui::uiMutex());
        const bool wasIconised = m_->geometry.iconised;
        m_->geometry.maximized = isMaximized();
        m_->geometry.iconised = isMinimized();
        if (wasIconised && !isMinimized()) m_->push(ui::Event{ev::Shown});
    }
}

void FormWindow::closeByEngine() {
    engineClosing_ = true;
    close();
}

void FormWindow::sync(const ui::Refresh& r) {
    for (int feq : r.controls) syncControl(feq);
    if (r.window) syncWindow(r.window);
}

void FormWindow::syncControl(int feq) {
    const ui::Control* c = m_->control(feq);
    if (!c) return;
    ui::ControlState st;
    const bool newRows = takeState(*c, feq, st);
    const QString text = fromCp(st.text);
    if (c->kind == ControlKind::Menu || c->kind == ControlKind::Item) {
        if (QAction* a = actions_[feq]) {
            if (!a->isSeparator()) a->setText(text);
            a->setEnabled(st.enabled);
            a->setVisible(!st.hidden);
        }
        return;
    }
    QWidget* w = widgets_[feq];
    if (!w) return;
    if (c->kind == ControlKind::Tab) {
        if (auto* tabs = qobject_cast<QTabWidget*>(widgets_[c->parent])) {
            const int i = tabs->indexOf(w);
            tabs->setTabText(i, text);
            tabs->setTabEnabled(i, st.enabled);
            tabs->setTabVisible(i, !st.hidden);
        }
        return;
    }
    w->setEnabled(st.enabled);
    if (w->isHidden() != st.hidden) w->setVisible(!st.hidden);
    syncWidget(*c, feq, w, st, newRows);
}

bool FormWindow::takeState(const ui::Control& c, int feq, ui::ControlState& st) {
    std::lock_guard lock(ui::uiMutex());
    const ui::ControlState& s = *m_->state(feq);
    const bool newRows = c.kind == ControlKind::List && rowsVersion_[feq] != s.rowsVersion;
    st.text = s.text;
    st.enabled = s.enabled;
    st.hidden = s.hidden;
    st.checked = s.checked;
    st.choice = s.choice;
    st.thumb = s.thumb;
    if (newRows) {
        st.rows = s.rows;
        rowsVersion_[feq] = s.rowsVersion;
    }
    return newRows;
}

void FormWindow::syncWidget(const ui::Control& c, int feq, QWidget* w, const ui::ControlState& st,
                            bool newRows) {
    const QString text = fromCp(st.text);
    switch (c.kind) {
        case ControlKind::Prompt:
        case ControlKind::Status: {
            auto* l = static_cast<QLabel*>(w);
            l->setText(c.use.bound() || l->buddy() ? text : fromCp(ui::labelText(st.text)));
            break;
        }
        case ControlKind::Entry: {
            auto* e = static_cast<QLineEdit*>(w);
            if (e->text() != text) e->setText(text);
            break;
        }
        case ControlKind::Button:
            static_cast<QPushButton*>(w)->setText(text);
            break;
        case ControlKind::Progress:
            static_cast<QProgressBar*>(w)->setValue(std::clamp(text.toInt(), 0, 100));
            break;
        case ControlKind::Canvas:
            syncReportCanvas(w, st.text);
            break;
        case ControlKind::Radio:
            static_cast<QRadioButton*>(w)->setText(text);
            break;
        case ControlKind::Check: {
            auto* b = static_cast<QCheckBox*>(w);
            b->setText(text);
            b->setChecked(st.checked);
            break;
        }
        case ControlKind::Group:
            if (auto* box = qobject_cast<QGroupBox*>(w)) box->setTitle(text);
            break;
        case ControlKind::Option: {
            static_cast<QGroupBox*>(w)->setTitle(text);
            QButtonGroup* g = options_[feq];
            if (QAbstractButton* b = g->button(st.choice)) {
                b->setChecked(true);
            } else if (QAbstractButton* on = g->checkedButton()) {
                g->setExclusive(false);
                on->setChecked(false);
                g->setExclusive(true);
            }
            break;
        }
        case ControlKind::Sheet: {
            auto* tabs = static_cast<QTabWidget*>(w);
            const QSignalBlocker block(tabs);
            if (st.choice >= 1) tabs->setCurrentIndex(st.choice - 1);
            break;
        }
        case ControlKind::List:
            syncList(feq, st, newRows);
            break;
        default:
            break;
    }
}

void FormWindow::syncList(int feq, const ui::ControlState& st, bool newRows) {
    QTableView* view = views_[feq];
    if (newRows) pages_[feq]->setRows(st.rows);
    // The view hears of the move (so the row it highlighted before is repainted
    // plain); only the engine is not told again what it said itself.
    syncingList_ = true;
    if (st.choice >= 1) {
        const QModelIndex i = view->model()->index(st.choice - 1, 0);
        view->selectionModel()->setCurrentIndex(
            i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(i);
    } else {
        view->selectionModel()->clear();
    }
    syncingList_ = false;
    view->viewport()->update();
    const QSignalBlocker blockThumb(thumbs_[feq]);
    thumbs_[feq]->setValue(st.thumb);
}

void FormWindow::syncWindow(unsigned what) {
    std::string title;
    bool blocked = false;
    int focus = 0, minW = 0, minH = 0, maxW = 0, maxH = 0;
    uint32_t cursor = 0;
    ui::Geometry g;
    {
        std::lock_guard lock(ui::uiMutex());
        title = m_->title;
        blocked = m_->blocked;
        focus = m_->focus;
        cursor = m_->cursor;
        g = m_->geometry;
        minW = m_->minWidth;
        minH = m_->minHeight;
        maxW = m_->maxWidth;
        maxH = m_->maxHeight;
    }
    if (what & ui::change::Title) setWindowTitle(fromCp(title));
    if (what & ui::change::Blocked) {
        setEnabled(!blocked);
        if (!blocked && built_) {
            raise();
            activateWindow();
        }
    }
    // A window that was blocked by another takes the focus back where the engine has it,
    // not on its first field.
    if ((what & ui::change::Focus) || ((what & ui::change::Blocked) && !blocked)) {
        QWidget* w = views_.count(focus) ? views_[focus]
                                         : (widgets_.count(focus) ? widgets_[focus] : nullptr);
        if (w && !w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
    }
    if (what & ui::change::Cursor) {
        if (cursor == ui::cursor::Wait)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    }
    if (what & ui::change::Limits) {
        setMinimumSize(std::max(minW, 0), std::max(minH, 0));
        setMaximumSize(maxW > 0 ? maxW : QWIDGETSIZE_MAX, maxH > 0 ? maxH : QWIDGETSIZE_MAX);
    }
    if (what & ui::change::Geometry) {
        if (g.iconised) {
            if (!isMinimized()) showMinimized();
        } else if (g.maximized) {
            showMaximized();
        } else {
            if (isMaximized() || isMinimized()) showNormal();
            move(g.x, g.y);
            resize(std::max(g.width, 1), std::max(g.height, 1));
        }
    }
}

}  // namespace kw::qt
