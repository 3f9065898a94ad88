// FormWindow: building the widgets of a window from its controls.
//
// Layout: the controls of a window (and of each group box and sheet page) go into a
// grid, one row each, in control order. A prompt followed by an entry or check box
// makes one row with the prompt in the label column and the field in the field column,
// so the fields of a form line up (a long field alone on its row takes the rest of it);
// a control marked sameLine goes on the row of the one before it, in the next
// label/field column pair. A group or option box marked sameLine stands beside the one
// before it, both at the top: so long forms stand in columns (a group without a title
// is a column of its own, without a frame). Consecutive buttons make one button
// row, right-aligned when they end the form; a button marked sameLine stays beside the
// control before it. Lists, sheets, group boxes and lone
// prompts span the row. Lists and sheets take the height the window gains.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/picture.h"
#include "runtime/qt/qt_form_window.h"
#include "runtime/qt/qt_page_model.h"
#include "runtime/qt/qt_report.h"
#include "runtime/qt/qt_text.h"
#include "runtime/window_events.h"

namespace kw::qt {

using ui::Control;
using ui::ControlKind;

namespace {

// The rows a list keeps however small its window; the height a window manager's title
// bar takes above a window.
constexpr int kLeastListRows = 5;
constexpr int kTitleBar = 30;

bool isField(ControlKind k) {
    return k == ControlKind::Entry || k == ControlKind::Check;
}

bool inGrid(ControlKind k) {
    return k != ControlKind::Menu && k != ControlKind::Item && k != ControlKind::Status &&
           k != ControlKind::Radio && k != ControlKind::Tab;
}

bool stretches(ControlKind k) {
    return k == ControlKind::List || k == ControlKind::Sheet || k == ControlKind::Canvas;
}

// An entry's width in characters: the hint, else the picture's, else 20. A number is
// given room for 13 characters at most ("99 999 999.99"): the wide pictures of money
// would otherwise make a form wider than a cash desk's screen for digits never typed.
int entryChars(const Control& c) {
    if (c.width > 0) return c.width;
    const picture::Picture p = picture::parse(c.picture);
    if (p.kind == picture::Kind::Number && p.width > 13) return 13;
    return p.width > 0 ? p.width : 20;
}

// A picture file is looked for as named (the current directory), then beside the
// executable, then among the pictures compiled into the program (":/name").
QPixmap pixmapOf(const std::string& file) {
    if (file.empty()) return QPixmap();
    const QString name = QString::fromStdString(file);
    for (const QString& path :
         {name, QCoreApplication::applicationDirPath() + QLatin1Char('/') + name,
          QStringLiteral(":/") + name})
        if (QFile::exists(path)) return QPixmap(path);
    return QPixmap();
}

// The window's picture behind its controls: scaled to cover the whole area, keeping its
// proportions, and centred, so that the middle of the picture is always seen.
class Backdrop : public QWidget {
  public:
    Backdrop(QPixmap picture, QWidget* parent) : QWidget(parent), picture_(std::move(picture)) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        if (scaled_.size() != coverSize())
            scaled_ = picture_.scaled(coverSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter p(this);
        p.drawPixmap((width() - scaled_.width()) / 2, (height() - scaled_.height()) / 2, scaled_);
    }

  private:
    QSize coverSize() const {
        return picture_.size().scaled(size(), Qt::KeepAspectRatioByExpanding);
    }

    QPixmap picture_;
    QPixmap scaled_;
};

}  // namespace

int FormWindow::charWidth() const {
    const QFontMetrics fm(font());
    return std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
}

void FormWindow::remember(QObject* o, int feq) {
    feqs_[o] = feq;
    o->installEventFilter(this);
}

void FormWindow::build() {
    const ui::WindowDef& s = m_->def;
    setWindowTitle(fromCp(s.title));
    if (QPixmap icon = pixmapOf(s.icon); !icon.isNull()) setWindowIcon(QIcon(icon));

    const QPixmap back = pixmapOf(s.picture);
    QWidget* central = back.isNull() ? new QWidget(this) : new Backdrop(back, this);
    auto* grid = new QGridLayout(central);
    buildGrid(grid, 0);
    setCentralWidget(central);
    buildMenus();
    buildStatusBar();
    chainTabOrder();

    ui::Refresh all;
    for (const Control& c : s.controls) all.controls.push_back(c.feq);
    all.window = ui::change::Title | ui::change::Blocked | ui::change::Focus | ui::change::Cursor;
    sync(all);

    adjustSize();
    QSize size = sizeHint().expandedTo(minimumSizeHint());
    size.setHeight(size.height() + listRowsAbove_);  // the lists' rows beyond their least
    const int cw = charWidth(), lh = fontMetrics().height() + 8;
    if (s.width > 0) size.setWidth(std::max(size.width(), s.width * cw));
    if (s.height > 0) size.setHeight(std::max(size.height(), s.height * lh));
    // The first size never goes past the screen (less its panels and a title bar), so
    // the buttons at the bottom are always seen; what the layout needs comes first.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        size = size.boundedTo(QSize(free.width(), free.height() - kTitleBar))
                   .expandedTo(minimumSizeHint());
    }
    resize(size);
    if (!s.resizable) setFixedSize(size);
    show();
    {
        std::lock_guard lock(ui::uiMutex());
        m_->geometry = ui::Geometry{x(), y(), width(), height(), false, false};
        m_->firstWidth = width();
        m_->firstHeight = height();
    }
    built_ = true;
}

void FormWindow::buildGrid(QGridLayout* grid, int parent) {
    std::vector<const Control*> kids;
    for (const Control& c : m_->def.controls)
        if (c.parent == parent && inGrid(c.kind)) kids.push_back(&c);
    int row = -1, col = 0, widest = 2;
    bool anyStretch = false;
    for (std::size_t i = 0; i < kids.size(); ++i) {
        const Control& c = *kids[i];
        if (c.sameLine && row >= 0) {
            col += 2;
        } else {
            ++row;
            col = 0;
        }
        widest = std::max(widest, col + 2);
        if (c.kind == ControlKind::Prompt && !c.use.bound() && i + 1 < kids.size() &&
            isField(kids[i + 1]->kind) && !kids[i + 1]->sameLine) {
            auto* label = static_cast<QLabel*>(makeWidget(c));
            QWidget* field = makeWidget(*kids[i + 1]);
            label->setBuddy(field);
            label->setText(fromCp(c.text));  // with its '&': the buddy's shortcut
            grid->addWidget(label, row, col, Qt::AlignLeft | Qt::AlignVCenter);
            const bool fixed = kids[i + 1]->kind == ControlKind::Check ||
                               field->sizePolicy().horizontalPolicy() == QSizePolicy::Fixed;
            // A long field with nothing beside it takes the rest of its row, so that it
            // does not widen the column of the short fields below and above it.
            const bool alone = !fixed && !(i + 2 < kids.size() && kids[i + 2]->sameLine);
            grid->addWidget(field, row, col + 1, 1, alone ? -1 : 1,
                            fixed ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment());
            ++i;
            continue;
        }
        if (c.kind == ControlKind::Button && c.sameLine && row >= 0) {
            // A button beside a field (a choose button): in the next column pair.
            grid->addWidget(makeWidget(c), row, col, 1, 1, Qt::AlignLeft | Qt::AlignVCenter);
            continue;
        }
        if (c.kind == ControlKind::Button) {
            auto* box = new QHBoxLayout;
            std::size_t j = i;
            while (j < kids.size() && kids[j]->kind == ControlKind::Button &&
                   (j == i || !kids[j]->sameLine))
                box->addWidget(makeWidget(*kids[j++]));
            if (j == kids.size())
                box->insertStretch(0);
            else
                box->addStretch();
            grid->addLayout(box, row, 0, 1, -1);
            i = j - 1;
            continue;
        }
        QWidget* w = makeWidget(c);
        if (isField(c.kind)) {
            const bool fixed = c.kind == ControlKind::Check ||
                               w->sizePolicy().horizontalPolicy() == QSizePolicy::Fixed;
            grid->addWidget(w, row, col + 1,
                            fixed ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment());
        } else {
            // A box with another beside it takes its own column pair, so that long forms
            // can stand in columns; boxes side by side line up at the top.
            const bool besideNext = i + 1 < kids.size() && kids[i + 1]->sameLine;
            const bool box = c.kind == ControlKind::Group || c.kind == ControlKind::Option;
            const Qt::Alignment top =
                box && (c.sameLine || besideNext) ? Qt::AlignTop : Qt::Alignment();
            grid->addWidget(w, row, col, 1, c.sameLine || besideNext ? 2 : -1, top);
        }
        if (stretches(c.kind)) {
            grid->setRowStretch(row, 1);
            anyStretch = true;
        }
    }
    if (!anyStretch) grid->setRowStretch(row + 1, 1);
    for (int k = 1; k < widest; k += 2) grid->setColumnStretch(k, 1);
}

QWidget* FormWindow::makeWidget(const Control& c) {
    QWidget* w = nullptr;
    switch (c.kind) {
        case ControlKind::Prompt:
            w = new QLabel(fromCp(ui::labelText(c.text)));
            break;
        case ControlKind::Entry:
            w = makeEntry(c);
            break;
        case ControlKind::Button: {
            auto* b = new QPushButton(fromCp(c.text));
            b->setAutoDefault(false);
            b->setDefault(c.isDefault);
            if (QPixmap icon = pixmapOf(c.file); !icon.isNull()) b->setIcon(QIcon(icon));
            const int feq = c.feq;
            connect(b, &QPushButton::clicked, this, [this, feq] {
                push(ui::Event{ui::ev::Accepted, feq});
            });
            w = b;
            break;
        }
        case ControlKind::Check: {
            auto* b = new QCheckBox(fromCp(c.text));
            const int feq = c.feq;
            connect(b, &QCheckBox::clicked, this, [this, feq](bool on) {
                {
                    std::lock_guard lock(ui::uiMutex());
                    if (ui::ControlState* st = m_->state(feq)) st->checked = on;
                }
                push(ui::Event{ui::ev::Accepted, feq});
            });
            w = b;
            break;
        }
        case ControlKind::Group:
        case ControlKind::Option:
        case ControlKind::Sheet:
            w = makeContainer(c);
            break;
        case ControlKind::List:
            w = makeList(c);
            break;
        case ControlKind::Image: {
            auto* l = new QLabel;
            QPixmap p = pixmapOf(c.file);
            if (!p.isNull() && c.width > 0 && c.height > 0)
                p = p.scaled(c.width * charWidth(), c.height * fontMetrics().height(),
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
            l->setPixmap(p);
            w = l;
            break;
        }
        case ControlKind::Progress: {
            auto* bar = new QProgressBar;
            bar->setRange(0, 100);
            bar->setTextVisible(false);  // the window shows its "% Complete" text itself
            bar->setMinimumWidth(charWidth() * 30);
            w = bar;
            break;
        }
        case ControlKind::Canvas:
            w = makeReportCanvas(c.document);
            break;
        default:
            w = new QWidget;
            break;
    }
    if (!c.tip.empty()) w->setToolTip(fromCp(c.tip));
    widgets_[c.feq] = w;
    remember(w, c.feq);
    return w;
}

QWidget* FormWindow::makeEntry(const Control& c) {
    auto* e = new QLineEdit;
    const picture::Picture p = picture::parse(c.picture);
    if (p.kind == picture::Kind::Number) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (p.kind == picture::Kind::String && p.width > 0) e->setMaxLength(p.width);
    if (c.password) e->setEchoMode(QLineEdit::Password);
    e->setReadOnly(c.readOnly);
    // A field the operator only reads is reached by the mouse, never by Tab or Enter.
    if (c.readOnly) e->setFocusPolicy(Qt::ClickFocus);
    const int chars = entryChars(c);
    const int frame = 14;
    if (chars <= 24) {
        e->setFixedWidth(charWidth() * (chars + 1) + frame);
    } else {
        e->setMinimumWidth(charWidth() * (std::min(chars, 40) + 1) + frame);
        e->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    const int feq = c.feq;
    connect(e, &QLineEdit::textEdited, this, [this, feq](const QString& t) {
        std::lock_guard lock(ui::uiMutex());
        if (ui::ControlState* st = m_->state(feq)) {
            st->text = toCp(t);
            st->edited = true;
        }
        committed_[feq] = false;
    });
    connect(e, &QLineEdit::editingFinished, this, [this, feq] { commitEntry(feq); });
    return e;
}

QWidget* FormWindow::makeList(const Control& c) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* view = new QTableView;
    auto* model = new PageModel(c.columns, view);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->verticalHeader()->hide();
    // Every column as wide as its contents: the last one does not take the spare width.
    view->horizontalHeader()->setStretchLastSection(false);
    const int cw = charWidth();
    int allColumns = 0;
    for (std::size_t k = 0; k < c.columns.size(); ++k) {
        const int width = c.columns[k].width * cw + 12;
        view->setColumnWidth(static_cast<int>(k), width);
        allColumns += width;
    }
    view->setMinimumWidth(allColumns + 2 * view->frameWidth() + 2);
    // A list may shrink to a few rows on a small screen; it opens with all its rows
    // where the screen has room (build()).
    const int rowHeight = view->verticalHeader()->defaultSectionSize();
    const int rows = std::max(1, c.height), least = std::min(rows, kLeastListRows);
    view->setMinimumHeight(view->horizontalHeader()->sizeHint().height() + least * rowHeight + 4);
    listRowsAbove_ += (rows - least) * rowHeight;
    auto* thumb = new QScrollBar(Qt::Vertical);
    thumb->setRange(0, 100);
    thumb->setPageStep(10);
    row->addWidget(view, 1);
    row->addWidget(thumb);

    const int feq = c.feq;
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, feq](const QModelIndex& now) {
                if (syncingList_) return;
                {
                    std::lock_guard lock(ui::uiMutex());
                    ui::ControlState* st = m_->state(feq);
                    if (!st || st->choice == now.row() + 1) return;
                    st->choice = now.row() + 1;
                }
                push(ui::Event{ui::ev::NewSelection, feq});
            });
    connect(thumb, &QScrollBar::actionTriggered, this, [this, feq](int action) {
        int e = 0;
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                e = ui::ev::ScrollUp;
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                e = ui::ev::ScrollDown;
                break;
            case QAbstractSlider::SliderPageStepSub:
                e = ui::ev::PageUp;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                e = ui::ev::PageDown;
                break;
            case QAbstractSlider::SliderToMinimum:
                e = ui::ev::ScrollTop;
                break;
            case QAbstractSlider::SliderToMaximum:
                e = ui::ev::ScrollBottom;
                break;
            default:
                break;
        }
        if (e) push(ui::Event{e, feq});
    });
    connect(thumb, &QScrollBar::sliderReleased, this, [this, feq, thumb] {
        push(ui::Event{ui::ev::ScrollDrag, feq, 0, thumb->value()});
    });
    views_[feq] = view;
    pages_[feq] = model;
    thumbs_[feq] = thumb;
    remember(view, feq);
    remember(view->viewport(), feq);
    return box;
}

QWidget* FormWindow::makeContainer(const Control& c) {
    const int feq = c.feq;
    if (c.kind == ControlKind::Sheet) {
        auto* tabs = new QTabWidget;
        for (const Control& t : m_->def.controls) {
            if (t.parent != feq || t.kind != ControlKind::Tab) continue;
            auto* page = new QWidget;
            buildGrid(new QGridLayout(page), t.feq);
            tabs->addTab(page, fromCp(t.text));
            widgets_[t.feq] = page;
            feqs_[page] = t.feq;
        }
        connect(tabs, &QTabWidget::currentChanged, this, [this, feq](int index) {
            {
                std::lock_guard lock(ui::uiMutex());
                ui::ControlState* st = m_->state(feq);
                if (!st || st->choice == index + 1) return;
                st->choice = index + 1;
            }
            push(ui::Event{ui::ev::NewSelection, feq});
        });
        return tabs;
    }
    if (c.kind == ControlKind::Group && c.text.empty()) {
        // A group without a title only holds its controls together (a column of a long
        // form): no frame, no margins of its own.
        auto* column = new QWidget;
        auto* grid = new QGridLayout(column);
        grid->setContentsMargins(0, 0, 0, 0);
        buildGrid(grid, feq);
        return column;
    }
    auto* box = new QGroupBox(fromCp(c.text));
    if (c.kind == ControlKind::Group) {
        buildGrid(new QGridLayout(box), feq);
        return box;
    }
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int nth = 0;
    for (const Control& r : m_->def.controls) {
        if (r.parent != feq || r.kind != ControlKind::Radio) continue;
        auto* radio = new QRadioButton(fromCp(r.text));
        group->addButton(radio, ++nth);
        column->addWidget(radio);
        widgets_[r.feq] = radio;
        remember(radio, r.feq);
    }
    connect(group, &QButtonGroup::idClicked, this, [this, feq](int id) {
        {
            std::lock_guard lock(ui::uiMutex());
            if (ui::ControlState* st = m_->state(feq)) st->choice = id;
        }
        push(ui::Event{ui::ev::Accepted, feq});
    });
    options_[feq] = group;
    return box;
}

void FormWindow::buildMenus() {
    std::unordered_map<int, QMenu*> menus;
    for (const Control& c : m_->def.controls) {
        if (c.kind == ControlKind::Menu) {
            QMenu* menu = c.parent == 0 ? menuBar()->addMenu(fromCp(c.text))
                                        : menus[c.parent]->addMenu(fromCp(c.text));
            menus[c.feq] = menu;
            actions_[c.feq] = menu->menuAction();
        } else if (c.kind == ControlKind::Item && menus.count(c.parent)) {
            QMenu* menu = menus[c.parent];
            QAction* a = c.text == "-" ? menu->addSeparator() : menu->addAction(fromCp(c.text));
            if (!c.tip.empty()) a->setStatusTip(fromCp(c.tip));
            const int feq = c.feq;
            connect(a, &QAction::triggered, this, [this, feq] {
                push(ui::Event{ui::ev::Accepted, feq});
            });
            actions_[c.feq] = a;
        }
    }
}

void FormWindow::buildStatusBar() {
    bool tips = false;
    for (const Control& c : m_->def.controls) {
        tips = tips || (c.kind == ControlKind::Item && !c.tip.empty());
        if (c.kind != ControlKind::Status) continue;
        auto* l = new QLabel;
        l->setMinimumWidth(charWidth() * std::max(c.width, 4));
        statusBar()->addPermanentWidget(l);
        widgets_[c.feq] = l;
        feqs_[l] = c.feq;
    }
    if (tips || m_->def.frame) statusBar();
}

void FormWindow::chainTabOrder() {
    QWidget* previous = nullptr;
    for (const Control& c : m_->def.controls) {
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::Entry:
            case ControlKind::Button:
            case ControlKind::Check:
            case ControlKind::Radio:
                w = widgets_[c.feq];
                break;
            case ControlKind::List:
                w = views_[c.feq];
                break;
            default:
                break;
        }
        if (!w) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

}  // namespace kw::qt
