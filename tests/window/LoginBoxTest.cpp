// The login box offered when a server refuses the login: it waits on nothing, and it is offered
// neither twice at once, nor after Cancel until a server is named again, nor for the answer of a
// listing asked before the login was typed.
#include "LoginBox.h"
#include "ServerLogins.h"
#include "WindowDriver.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include <mutex>
#include <set>

namespace {

// Refuses a server's login until "admin" with "secret" is typed for it. Whether a listing logs
// in is decided when it is asked, as a real login is; the answers come from the fake.
class TypedLoginSource final : public OpenFileSource, public ServerLogins {
public:
    explicit TypedLoginSource(std::shared_ptr<FakeOpenFileSource> files) : m_files(std::move(files)) {}

    OpenFileList enumerate(const QString& server) override
    {
        const bool loggedIn = [&] {
            const std::lock_guard lock(m_mutex);
            return m_loggedIn.contains(server);
        }();
        OpenFileList answer = m_files->enumerate(server);
        if (!loggedIn)
            answer = {{SourceOutcome::refusedLogin, 1326}, {}};
        return answer;
    }

    SourceStatus close(const QString& server, std::uint32_t id) override { return m_files->close(server, id); }

    void useLogin(const QString& server, TypedLogin login) override
    {
        const std::lock_guard lock(m_mutex);
        if (login.account == QLatin1String("admin") && login.password.utf8() == std::string_view("secret"))
            m_loggedIn.insert(server);
        else
            m_loggedIn.erase(server);
    }

private:
    std::shared_ptr<FakeOpenFileSource> m_files;
    std::mutex m_mutex;
    std::set<QString> m_loggedIn;
};

class WindowLogin : public ::testing::Test {
protected:
    WindowDriver driver{[this] { return std::make_shared<TypedLoginSource>(driver.source); },
                        std::make_shared<RecordingIconServices>()};
    frmMain& window = driver.window;

    void SetUp() override
    {
        driver.source->serve({record(1, "ann", "c:\\a.txt"), record(2, "bob", "c:\\b.txt")});
    }

    // The box open over the window, once the server's answer has come; nullptr when none comes.
    static LoginBox* openBox()
    {
        (void)QTest::qWaitFor([] { return qobject_cast<LoginBox*>(QApplication::activeModalWidget()) != nullptr; },
                              2000);
        return qobject_cast<LoginBox*>(QApplication::activeModalWidget());
    }

    // The box's title, after typing the login and pressing OK, or pressing Cancel without one.
    static QString answer(LoginBox* box, const char* user = nullptr, const char* password = "")
    {
        if (box == nullptr)
            return QStringLiteral("no box");
        const QString title = box->windowTitle();
        if (user) {
            QTest::keyClicks(box->txtUser, user);
            QTest::keyClicks(box->txtPassword, password);
        }
        box->buttons->button(user ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        return title;
    }
};

} // namespace

// A refused typed login asks again, and OK lists with the login typed.
TEST_F(WindowLogin, AfterCancelNoBoxUntilAServerIsNamedAgainAndARefusedTypedLoginAsksAgain)
{
    driver.enterServer("fs01");
    EXPECT_EQ(answer(openBox()), "Log in to fs01");
    driver.typeFilter("a");
    EXPECT_EQ(window.frameConn->title(), "");
    EXPECT_EQ(driver.source->enumerated().size(), 2);

    window.txtPc->setFocus();
    driver.enterServer("fs02");
    EXPECT_EQ(answer(openBox()), "Log in to fs02");
    window.txtPc->setFocus();
    driver.enterServer("fs01");
    EXPECT_EQ(answer(openBox(), "admin", "wrong"), "Log in to fs01");
    EXPECT_EQ(answer(openBox(), "admin", "secret"), "Log in to fs01");
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(window.frameConn->title(), " 2 open connections on 'fs01' - Filtered elements: 1");
    EXPECT_EQ(driver.source->enumerated().size(), 6);
}

// While the box is open the window goes on: keys in the filter list again, with the login
// refused before. Those answers ask nothing, neither while the box is open nor after OK; the
// listing after OK shows the rows.
TEST_F(WindowLogin, ListingsAskedWhileTheBoxIsOpenAskNothing)
{
    driver.enterServer("fs01");
    LoginBox* box = openBox();
    ASSERT_NE(box, nullptr);
    driver.source->hold();
    for (int listings : {2, 3}) {
        QTest::keyClick(window.txtFiltro, Qt::Key_End);
        ASSERT_TRUE(QTest::qWaitFor([&] { return driver.source->enumerated().size() == listings; }));
        if (listings == 2) {
            driver.source->release();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.busy(); }));
            EXPECT_EQ(QApplication::activeModalWidget(), box);
            EXPECT_EQ(window.findChildren<LoginBox*>().size(), 1);
        }
    }
    EXPECT_EQ(answer(box, "admin", "secret"), "Log in to fs01");
    driver.source->releaseAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.busy(); }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window.frameConn->title(), " 2 open connections on 'fs01'");
    EXPECT_EQ(driver.source->enumerated().size(), 4);
}
