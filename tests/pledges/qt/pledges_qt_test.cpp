// The pledge windows on the Qt back end, as an operator sees them: the day's list, the
// new-pledge form with a computed loan, the financial inquiry with its totals. Each is
// photographed into the build folder (pledges_*.png) and checked for fields too narrow
// for what they show.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <thread>
#include <tuple>

#include "common/qt_pump.h"
#include "dictionary/tables.h"
#include "framework/data/dct_init.h"
#include "framework/data/error_class.h"
#include "pledges/pledge_procedures.h"
#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/message_box.h"
#include "runtime/proc_thread.h"
#include "runtime/proc_threads.h"
#include "runtime/qt/qt_message_box.h"
#include "runtime/qt/qt_windows.h"
#include "runtime/window_model.h"
#include "shell/globals.h"
#include "storage/file.h"

namespace {

namespace fs = std::filesystem;

const int32_t kToday = kw::date::fromYmd(2025, 12, 8);

using kwtest::pumpUntil;

QMainWindow* windowTitled(const char* utf8Title) {
    const std::string title = kw::W(utf8Title);
    QMainWindow* found = nullptr;
    pumpUntil([&] {
        for (const auto& w : kw::ui::openWindows()) {
            QWidget* q = kw::qt::QtWindows::widgetOf(*w);
            if (w->title == title && q && q->isVisible()) found = qobject_cast<QMainWindow*>(q);
        }
        return found != nullptr;
    });
    if (found) pumpUntil([] { return false; }, 150);  // let it settle and paint
    return found;
}

void shoot(QWidget* w, const std::string& name) {
    const QString path = QString(KW_BINARY_DIR) + "/" + QString::fromStdString(name);
    EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
}

QPushButton* buttonTitled(QWidget* w, const char* utf8) {
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().remove('&') == QString::fromUtf8(utf8)) return b;
    return nullptr;
}

QLineEdit* fieldAfter(QWidget* w, const char* promptUtf8) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text().remove('&') == QString::fromUtf8(promptUtf8))
            return qobject_cast<QLineEdit*>(l->buddy());
    return nullptr;
}

// Labels and fields that show less than their text: what the operator would see cut off.
QStringList clipped(QWidget* w) {
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisible() && !l->text().isEmpty() &&
            l->width() < l->fontMetrics().horizontalAdvance(l->text()))
            out << l->text();
    for (QLineEdit* e : w->findChildren<QLineEdit*>())
        if (e->isVisible() && e->width() < e->fontMetrics().horizontalAdvance(e->text()) + 6)
            out << e->text();
    return out;
}

void add(const kw::storage::TableDecl& t, const std::vector<std::vector<uint8_t>>& records) {
    std::thread th([&] {
        kw::proc::setCurrentThread(60);
        kw::storage::File f(t);
        if (!fs::exists(t.diskName + ".DAT")) {
            ASSERT_TRUE(f.create().ok());
        }
        ASSERT_TRUE(f.open().ok());
        for (const auto& r : records) {
            std::memcpy(t.buffer(), r.data(), r.size());
            ASSERT_TRUE(f.add().ok());
        }
        ASSERT_TRUE(f.close().ok());
    });
    th.join();
}
template <class R>
std::vector<uint8_t> bytes(const R& r) {
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    return std::vector<uint8_t>(p, p + sizeof(R));
}

kw::dict::ZalRecord pledge(int32_t n, int32_t date, const char* utf8Name, double weight,
                           double price) {
    kw::dict::ZalRecord z;
    z.N_KV = n;
    z.DATA = date;
    z.FIO = kw::W(utf8Name);
    z.MET = 1;
    z.PROB = 585;
    z.Z1G = price;
    z.VEC = z.VEC_CH = weight;
    z.KOL_D = 30;
    z.S_OZEN = weight * price;
    z.PROZ_CC = 80;
    z.S_CCYD = z.S_OZEN * 0.8;
    z.DATA_K = date + 30;
    z.P_CC_D = 0.5;
    z.P_XR_D = 0.1;
    z.S_P_S = 30 * 0.005 * z.S_CCYD;
    z.S_P_X = 30 * 0.001 * z.S_OZEN;
    z.S_VID = z.S_CCYD - z.S_P_S - z.S_P_X;
    z.OPER = 6;
    return z;
}

class PledgesQtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kw_pledgesqtXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
        kw::qt::installQtWindows();
        previous_ = kw::msgbox::install(&boxes_);
        kw::clock::setToday(kToday);
        GlobalErrors.Init();
        DctInit();
        KOD = 6;

        kw::dict::KbpRecord k;
        k.NAME = kw::W("Ломбард");
        k.KDZ = 30;
        k.PRO_S = 80;
        k.PDX = 0.1;
        k.S12 = 5000;
        k.PS1 = 0.6;
        k.S21 = 5000;
        k.S22 = 20000;
        k.PS2 = 0.5;
        k.S_N = 1000;
        add(kw::dict::kbpTable(), {bytes(k)});
        kw::dict::MetRecord gold;
        gold.KOD = 1;
        gold.NAME = kw::W("Золото");
        add(kw::dict::metTable(), {bytes(gold)});
        kw::dict::PrbRecord p;
        p.KOD = 1;
        p.PROB = 583;
        p.ZEN = 1000;
        add(kw::dict::prbTable(), {bytes(p)});
        kw::dict::DayRecord d;
        d.DATA = kToday;
        add(kw::dict::dayTable(), {bytes(d)});
        kw::dict::SecRecord s;
        s.K_POL = 6;
        s.FIO = kw::W("Кузнецов Павел Андреевич");
        add(kw::dict::secTable(), {bytes(s)});
        add(kw::dict::zalTable(),
            {bytes(pledge(1001, kToday, "Сидоров Пётр Ильич", 5.2, 2600)),
             bytes(pledge(1002, kToday, "Орлова Мария Викторовна", 2.1, 2600)),
             bytes(pledge(1003, kToday - 3, "Кравцов Олег Иванович", 12.75, 2600))});
    }
    void TearDown() override {
        kw::qt::QtWindows::stop();
        EXPECT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget()) w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kw::qt::installQtWindows();
        DctKill();
        GlobalErrors.Kill();
        KOD = 0;
        kw::msgbox::install(previous_);
        kw::clock::setToday(0);
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path dir_, old_;
    kw::qt::QtMessageBox boxes_;
    kw::msgbox::Backend* previous_ = nullptr;
};

TEST_F(PledgesQtTest, TheDaysListAndTheNewPledgeFormWithAComputedLoan) {
    ASSERT_NE(kw::proc::start([] { ZAL_TAB(); }), 0);
    QMainWindow* list = windowTitled("Залоговые ссуды за день");
    ASSERT_TRUE(list);
    EXPECT_EQ(fieldAfter(list, "Всего ссуд за день:")->text().trimmed(), "2");
    shoot(list, "pledges_zal_tab.png");
    EXPECT_TRUE(clipped(list).isEmpty()) << clipped(list).join(" | ").toStdString();

    QPushButton* insert = buttonTitled(list, "Добавить");
    ASSERT_TRUE(insert);
    QTest::mouseClick(insert, Qt::LeftButton);
    QMainWindow* form = windowTitled("Добавить ???");
    ASSERT_TRUE(form);
    form->activateWindow();
    QApplication::setActiveWindow(form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    QLineEdit* name = fieldAfter(form, "ФИО:");
    ASSERT_TRUE(name);
    name->setFocus();
    name->insert(
        QString::fromUtf8("Белова Светлана Игоревна"));  // as typed: the test keys take Latin only
    QTest::keyClick(name, Qt::Key_Tab);
    QLineEdit* weight = fieldAfter(form, "Вес общий:");
    ASSERT_TRUE(weight);
    weight->setFocus();
    QTest::keyClicks(weight, "10");
    QTest::keyClick(weight, Qt::Key_Tab);
    QLineEdit* paid = fieldAfter(form, "ИТОГО к выдаче:");
    ASSERT_TRUE(paid);
    EXPECT_TRUE(pumpUntil([&] { return paid->text().trimmed() == "6500.00"; }))
        << paid->text().toStdString();
    EXPECT_EQ(paid->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight)
        << "numbers are right-aligned";
    shoot(form, "pledges_updatezal.png");
    EXPECT_TRUE(clipped(form).isEmpty()) << clipped(form).join(" | ").toStdString();
    const QSize screen = QApplication::primaryScreen()->availableSize();
    EXPECT_LE(form->height(), std::max(900, screen.height())) << "the form fits a 900-line screen";
}

TEST_F(PledgesQtTest, TheFinancialInquiryWithItsTotals) {
    D1 = kToday - 10;
    D2 = kToday;
    ASSERT_NE(kw::proc::start([] { ZAL_SP1(); }), 0);
    QMainWindow* w = windowTitled("Финансовая справка");
    ASSERT_TRUE(w);
    EXPECT_EQ(fieldAfter(w, "Выдано ссуд всего:")->text().trimmed(), "3");
    shoot(w, "pledges_zal_sp1.png");
    EXPECT_TRUE(clipped(w).isEmpty()) << clipped(w).join(" | ").toStdString();
    D1 = D2 = 0;
}

TEST_F(PledgesQtTest, TheFirstProlongationAndTheRedemptionWithComputedAmounts) {
    std::thread([&] {  // the settings of the worked example's penalty
        kw::proc::setCurrentThread(60);
        kw::storage::File f(kw::dict::kbpTable());
        ASSERT_TRUE(f.open().ok());
        ASSERT_TRUE(f.next().ok());
        KBP.P0 = 2;
        KBP.P11 = 1;
        KBP.SW = 5000;
        KBP.SD = 10;
        ASSERT_TRUE(f.put().ok());
        ASSERT_TRUE(f.close().ok());
    })
        .join();
    // Ticket 1003 was issued 33 days ago for 30 days: 12.75 g at 2600.
    kw::clock::setToday(kToday + 30);
    kw::dict::DayRecord d;
    d.DATA = kToday + 30;
    add(kw::dict::dayTable(), {bytes(d)});
    for (const auto& [list, listTitle, formTitle, shot] :
         std::vector<std::tuple<void (*)(), const char*, const char*, const char*>>{
             {ZAL_TAB1, "Первый перезалог", "Оформление  1-го перезалога",
              "pledges_updatezal1.png"},
             {ZAL_TABV, "Выкуп заложенной вещи", "Оформление  выкупа заложенной вещи",
              "pledges_updatezalw.png"}}) {
        SCOPED_TRACE(formTitle);
        ASSERT_NE(kw::proc::start([list = list] { list(); }), 0);
        QMainWindow* w = windowTitled(listTitle);
        ASSERT_TRUE(w);
        QLineEdit* look = fieldAfter(w, "Быстрый поиск по N квитанции:");
        ASSERT_TRUE(look);
        w->activateWindow();
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        look->setFocus();
        QTest::keyClicks(look, "1003");
        QTest::keyClick(look, Qt::Key_Tab);
        QTest::mouseClick(buttonTitled(w, "Обработать"), Qt::LeftButton);
        QMainWindow* form = windowTitled(formTitle);
        ASSERT_TRUE(form);
        EXPECT_EQ(fieldAfter(form, "Номер квитанции:")->text().trimmed(), "1003");
        QLineEdit* days = fieldAfter(form, "Кол-во дней:");
        if (list == ZAL_TAB1) {
            form->activateWindow();
            QApplication::setActiveWindow(form);
            EXPECT_TRUE(QTest::qWaitForWindowActive(form));
            days->setFocus();
            QTest::keyClicks(days, "30");
            QTest::keyClick(days, Qt::Key_Tab);
            // 3 days late: 30 x (132.60 + 33.15) and a penalty of 3 x (265.20 + 66.30)
            QLineEdit* total = fieldAfter(form, "Получить с клиента:");
            EXPECT_TRUE(pumpUntil([&] { return total->text().trimmed() == "5967.00"; }))
                << total->text().toStdString();
        } else {
            // 21547.50 paid out, the same 4972.50 for the term and 994.50 penalty
            EXPECT_EQ(fieldAfter(form, "Получить с клиента:")->text().trimmed(), "27514.50");
        }
        pumpUntil([] { return false; }, 150);
        shoot(form, shot);
        EXPECT_TRUE(clipped(form).isEmpty()) << clipped(form).join(" | ").toStdString();
        // Days were typed into the prolongation: it asks before it closes without saving
        // them (the box runs its own loop: it is answered from a timer).
        bool asked = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (QPushButton* yes = box ? buttonTitled(box, "Yes") : nullptr) {
                asked = true;
                answer.stop();
                yes->click();
            }
        });
        answer.start(20);
        QTest::mouseClick(buttonTitled(form, "Закрыть"), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([&] { return !form->isVisible(); }));
        answer.stop();
        EXPECT_EQ(asked, list == ZAL_TAB1) << "only typed work is asked about";
        // The list takes clicks again only once it is no longer blocked by the form.
        ASSERT_TRUE(pumpUntil([&] { return w->isEnabled(); }));
        QTest::mouseClick(buttonTitled(w, "Закрыть"), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([] { return kw::proc::running() == 0; }));
    }
}

}  // namespace
