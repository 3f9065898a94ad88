// The Qt window of one open engine window: built from its def, kept in step with its
// shared state (sync), and turning what the user does into state changes and events.
// Lives on the GUI thread only.
#pragma once

#include <QMainWindow>
#include <memory>
#include <unordered_map>

#include "runtime/window_model.h"

class QAction;
class QButtonGroup;
class QGridLayout;
class QKeyEvent;
class QLabel;
class QScrollBar;
class QTableView;
class QTabWidget;

namespace kw::qt {

class PageModel;

class FormWindow : public QMainWindow {
  public:
    explicit FormWindow(std::shared_ptr<ui::WindowModel> model);

    // Creates the widgets (qt_form_builder.cpp) and shows the state.
    void build();
    // Brings the widgets up to date with the shared state.
    void sync(const ui::Refresh& r);
    // Closes the window because the procedure closed it (no close event is posted).
    void closeByEngine();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Building.
    void buildMenus();
    void buildStatusBar();
    void buildGrid(QGridLayout* grid, int parent);
    QWidget* makeWidget(const ui::Control& c);
    QWidget* makeEntry(const ui::Control& c);
    QWidget* makeList(const ui::Control& c);
    QWidget* makeContainer(const ui::Control& c);
    void remember(QObject* o, int feq);
    void chainTabOrder();
    int charWidth() const;

    // Syncing.
    void syncControl(int feq);
    // The steps of syncControl: the state copied under the engine's lock (true when a
    // list's rows changed), then shown on the widget.
    bool takeState(const ui::Control& c, int feq, ui::ControlState& st);
    void syncWidget(const ui::Control& c, int feq, QWidget* w, const ui::ControlState& st,
                    bool newRows);
    void syncList(int feq, const ui::ControlState& st, bool newRows);
    void syncWindow(unsigned what);

    // Events from the user.
    void push(const ui::Event& e);
    void commitEntry(int feq);
    void pressDefault(int from);
    bool handleKey(int feq, QKeyEvent* event);
    bool handleListKey(int feq, int code);
    int feqOf(QObject* o) const;

    std::shared_ptr<ui::WindowModel> m_;
    std::unordered_map<int, QWidget*> widgets_;
    std::unordered_map<int, QAction*> actions_;
    std::unordered_map<QObject*, int> feqs_;
    std::unordered_map<int, PageModel*> pages_;
    std::unordered_map<int, QTableView*> views_;
    std::unordered_map<int, QScrollBar*> thumbs_;
    std::unordered_map<int, unsigned> rowsVersion_;
    std::unordered_map<int, QButtonGroup*> options_;
    std::unordered_map<int, bool> committed_;  // entry: its Accepted is already queued
    bool engineClosing_ = false;
    bool syncingList_ = false;
    int listRowsAbove_ = 0;  // pixels: the lists' rows beyond the few they keep at least  // a
                             // list's highlight is being set from the engine's state
    bool built_ = false;
    bool wasActive_ = false;
    bool activatedOnce_ = false;
};

}  // namespace kw::qt
