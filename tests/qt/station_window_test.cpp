// The station network in the window: the settings form the File menu opens, and the
// status-bar field with the longest text it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "app/host.h"
#include "qt/control_binder.h"
#include "qt/form_dialog.h"
#include "qt/main_window.h"
#include "support/fake_broker_link.h"
#include "support/host_rig.h"

namespace {

using platform::FormField;

TEST(StationWindow, TheFormShowsEveryFieldAndEnterDoesNotAcceptIt) {
    std::vector<FormField> fields{
        {"Publish the records to a broker", "1", FormField::Kind::Switch, "help"},
        {"Broker", "mqtt://b:1883", FormField::Kind::Text, "mqtt://host:port"},
        {"Password file", "", FormField::Kind::File, ""},
        {"Queue folder", "/data", FormField::Kind::Folder, ""},
    };
    qtui::FormDialog dlg(nullptr, "Station network", fields);
    dlg.show();
    QApplication::processEvents();
    auto* on = dlg.findChild<QCheckBox*>("field0");
    auto* url = dlg.findChild<QLineEdit*>("field1");
    ASSERT_TRUE(on && url);
    EXPECT_TRUE(on->isChecked());
    EXPECT_EQ(dlg.findChildren<QPushButton*>().size(), 4);  // two Browse..., OK, Cancel
    auto* box = dlg.findChild<QDialogButtonBox*>();
    EXPECT_TRUE(box->button(QDialogButtonBox::Cancel)->isDefault());
    url->setFocus();
    url->selectAll();
    QTest::keyClicks(url, "mqtts://broker.example:8883 ");
    QTest::mouseClick(on, Qt::LeftButton);
    QTest::keyClick(url, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);  // Enter pressed Cancel, not OK
    dlg.values(fields);
    EXPECT_EQ(fields[0].value, "0");
    EXPECT_EQ(fields[1].value, "mqtts://broker.example:8883");
    EXPECT_EQ(fields[3].value, "/data");
    if (const char* shot = std::getenv("FATHOM_FORM_SHOT")) dlg.grab().save(shot);
}

// The longest the field says, beside both ports' link health, in the narrowest window.
TEST(StationWindow, TheStatusFieldFitsTheWindowWithItsLongestText) {
    testing_support::HostRig rig;
    qtui::MainWindow window(rig.panel);
    rig.host.Initialize();
    rig.host.chooseUnitType(3);
    rig.panel.setText(platform::Ctl::PortAHealth,
                      "Port A: 123456789 bytes, 1234567 frames, 0 rejected, 99.9 records/s, "
                      "last frame 0 s ago");
    rig.panel.setVisible(platform::Ctl::PortAHealth, true);
    rig.panel.setText(platform::Ctl::StationStatus,
                      "Broker NOT connected (refused the user name or password), 123456 waiting, "
                      "last 23:59:59");
    rig.panel.setVisible(platform::Ctl::StationStatus, true);
    window.binder().flushNow();
    window.resize(1200, 760);
    window.show();
    QApplication::processEvents();
    // The field does not widen the window beyond its narrowest.
    EXPECT_LE(window.statusBar()->minimumSizeHint().width(), 1200);
    // Shown whole.
    for (QLabel* l : window.statusBar()->findChildren<QLabel*>()) {
        if (!l->isVisible() || !l->text().startsWith("Broker")) continue;
        EXPECT_GE(l->width(), l->sizeHint().width());
    }
    if (const char* shot = std::getenv("FATHOM_STATUS_SHOT")) window.grab().save(shot);
}

}  // namespace
