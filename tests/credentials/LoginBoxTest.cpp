// The login box in the real window, against the standalone test server, with nothing but typed
// passwords to log in with: a wrong password is refused and the box comes again, the right one
// lists and is remembered in the keyring, the same server under another name is asked for
// anew, and Cancel leaves the failure as it is.
#include "LoginBox.h"
#include "NetApiOpenFileSource.h"
#include "ServiceFiles.h"
#include "WindowDriver.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <deque>

namespace {

struct BoxAnswer {
    QString user;
    QString password;
    bool remember = false;
    bool ok = true;
};

// Answers every login box the window opens with the next scripted answer, the way a person
// would: typing into the fields and pressing a button. A box beyond the script is cancelled.
class BoxAnswerer final {
public:
    BoxAnswerer()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answerOpenBox(); });
        m_timer.start();
    }

    void script(std::initializer_list<BoxAnswer> answers) { m_answers.insert(m_answers.end(), answers); }
    const QStringList& titles() const { return m_titles; }

private:
    void answerOpenBox()
    {
        auto* box = qobject_cast<LoginBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        m_titles << box->windowTitle();
        EXPECT_FALSE(box->chkRemember->isChecked()) << "the box must not offer to remember by default";
        const BoxAnswer answer = m_answers.empty() ? BoxAnswer{{}, {}, false, false} : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        QTest::keyClicks(box->txtUser, answer.user);
        QTest::keyClicks(box->txtPassword, answer.password);
        box->chkRemember->setChecked(answer.remember);
        box->buttons->button(answer.ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    }

    QTimer m_timer;
    std::deque<BoxAnswer> m_answers;
    QStringList m_titles;
};

TEST(LoginBox, AsksForEachServerUntilItTakesTheLogin)
{
    QString skipReason;
    const auto server = serverWithEmptyKeyring(QStringLiteral(TARNWICK_KEYRING_DIR), skipReason);
    if (!server)
        GTEST_SKIP() << skipReason.toStdString();
    const QString address = server->value(QStringLiteral("TARNWICK_SMB_ADDRESS"));
    const QString admin = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_USER"));
    const QString password = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_PASSWORD"));
    const QString otherName = QStringLiteral("files.tarnwick.test");  // the same server, by NSS_WRAPPER_HOSTS
    forgetCachedAddress(otherName);

    WindowDriver driver([] { return std::make_shared<NetApiOpenFileSource>(); }, std::make_shared<QuietIconServices>());
    BoxAnswerer boxes;
    boxes.script({{admin, QStringLiteral("not-the-password")}, {QStringLiteral("TARNWICK\\") + admin, password, true}});
    driver.typeServer(address);
    const QString title = QStringLiteral("Log in to ") + address;
    EXPECT_EQ(boxes.titles(), QStringList({title, title}));
    EXPECT_TRUE(driver.window.frameConn->title().endsWith(QStringLiteral(" open connections on '%1'").arg(address)))
        << driver.window.frameConn->title().toStdString();
    QString remembered;
    EXPECT_TRUE(runTool(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("protocol"),
        QStringLiteral("smb"), QStringLiteral("server"), address, QStringLiteral("user"), admin,
        QStringLiteral("domain"), QStringLiteral("TARNWICK")}, {}, &remembered));
    EXPECT_EQ(remembered, password);

    // The password typed for the address is not offered to the other name: its box comes.
    boxes.script({{admin, password, false, false}});
    driver.typeServer(otherName);
    EXPECT_EQ(boxes.titles().size(), 3);
    EXPECT_EQ(boxes.titles().value(2), QStringLiteral("Log in to ") + otherName);
    EXPECT_EQ(driver.window.frameConn->title(), QString());
    // After Cancel, a new listing of that server asks no more.
    driver.typeFilter(QStringLiteral("x"));
    EXPECT_EQ(boxes.titles().size(), 3);
    EXPECT_EQ(driver.window.frameConn->title(), QString());
}

} // namespace
