// The host's login as a clerk has it: the dialog against the Firebird server (a wrong password
// said and tried again, the password never remembered, the focus on "Senha" for a remembered
// operator, Enter for "Entrar" and Escape to cancel), and a whole session through the dialog
// that leaves the configuration file byte for byte as it was, its state in estado.ini.
#include "DemoDatabase.h"
#include "FirebirdServer.h"
#include "ProgramRun.h"

#include "AppPaths.h"
#include "HostLogin.h"
#include "base/ProgramState.h"
#include "controls/TButtonFlat.h"
#include "form/ScreenCriteria.h"
#include "form/TForm.h"
#include "report/ui/ReportPreviewDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

namespace {

QLineEdit* field(QWidget* dialog, const char* name)
{
    return dialog->findChild<QLineEdit*>(QLatin1String(name));
}

QString message(QWidget* dialog)
{
    return dialog->findChild<QLabel*>(QStringLiteral("lblMensagem"))->text();
}

// The dialog shown and active, as the host shows it at start.
void show(QDialog& dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

// Types over the field's text, as a user does after clicking into it.
void type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QByteArray checksum(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void serverLoginTriesAgainAndRemembersNoPassword();
    void aWaitAfterRefusalsTakesNoKeysAndEnds();
    void aSessionLeavesTheConfigurationAsItWas();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLogin::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The program's state, and nothing of the user's, in the test's own folder.
    qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    qputenv("KLX_SYSTEM_CONFIG", QFile::encodeName(path(QStringLiteral("nenhum.ini"))));
    qunsetenv("KLX_PASSWORD");
}

void TestLogin::serverLoginTriesAgainAndRemembersNoPassword()
{
    if (const QString why = FirebirdServer::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString password = FirebirdServer::passwordOf(QStringLiteral("OPER"));
    QVERIFY2(!password.isEmpty(), "OPER's password: run the firebird_operators test first");
    createDemoDatabase(path(QStringLiteral("login.fdb")), DatabaseConfig::Engine::Firebird);
    HostOptions options = HostOptions::parse(
        {QStringLiteral("--db"), QStringLiteral("firebird"), QStringLiteral("--database"),
         FirebirdServer::pathOn(path(QStringLiteral("login.fdb")))});
    QVERIFY(HostLogin::asks(options));

    std::unique_ptr<HostSession> session;
    {
        const std::unique_ptr<LoginDialog> dialog = HostLogin::dialog(options, session);
        show(*dialog);
        QCOMPARE(QApplication::focusWidget(), field(dialog.get(), "edtOperador"));
        type(field(dialog.get(), "edtOperador"), QStringLiteral("oper"));
        type(field(dialog.get(), "edtSenha"), QStringLiteral("errada"));
        type(field(dialog.get(), "edtFilial"), QStringLiteral("02"));
        // Enter in any field presses "Entrar".
        QTest::keyClick(field(dialog.get(), "edtFilial"), Qt::Key_Return);
        QVERIFY(!session);
        QVERIFY(dialog->isVisible());
        QVERIFY2(message(dialog.get()).contains(QStringLiteral("usuário ou senha inválidos")),
                 qPrintable(message(dialog.get())));
        QCOMPARE(field(dialog.get(), "edtSenha")->text(), QString());
        QCOMPARE(QApplication::focusWidget(), field(dialog.get(), "edtSenha"));
        QVERIFY(!QFile::exists(ProgramState::filePath()));

        QTest::keyClicks(field(dialog.get(), "edtSenha"), password);
        QTest::keyClick(field(dialog.get(), "edtSenha"), Qt::Key_Return);
        QVERIFY2(session, qPrintable(message(dialog.get())));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(Operador(), QStringLiteral("OPER"));
        QCOMPARE(FiliProc(), QStringLiteral("02"));
    }
    session.reset();

    // The operator and branch are remembered; the password is not, anywhere in the state.
    QFile state(ProgramState::filePath());
    QVERIFY(state.open(QIODevice::ReadOnly));
    const QByteArray remembered = state.readAll();
    QVERIFY(remembered.contains("OPER"));
    QVERIFY(!remembered.contains(password.toUtf8()));

    const std::unique_ptr<LoginDialog> again = HostLogin::dialog(options, session);
    show(*again);
    QCOMPARE(field(again.get(), "edtOperador")->text(), QStringLiteral("OPER"));
    QCOMPARE(field(again.get(), "edtFilial")->text(), QStringLiteral("02"));
    QCOMPARE(QApplication::focusWidget(), field(again.get(), "edtSenha"));
    QTest::keyClick(field(again.get(), "edtSenha"), Qt::Key_Escape);
    QCOMPARE(again->result(), int(QDialog::Rejected));
    QVERIFY(!again->isVisible());
    QVERIFY(!session);
}

// From the third refusal in a row "Entrar" waits: keys typed meanwhile go nowhere (they would
// pile up in the password behind the grey button), and once the wait is over the refusal
// stays without its "Tente de novo".
void TestLogin::aWaitAfterRefusalsTakesNoKeysAndEnds()
{
    QStringList tried;
    LoginDialog dialog(QStringLiteral("servidor:/dados/klx.fdb"), true,
                       [&tried](const LoginDialog::Login& login) {
                           tried << login.password;
                           throw ELoginRefused(QStringLiteral("usuário ou senha inválidos"));
                       });
    show(dialog);
    type(field(&dialog, "edtOperador"), QStringLiteral("OPER"));
    QLineEdit* password = field(&dialog, "edtSenha");
    for (const char* typed : {"um", "dois", "tres"}) {
        type(password, QLatin1String(typed));
        QTest::keyClick(password, Qt::Key_Return);
    }
    QCOMPARE(tried, (QStringList{"um", "dois", "tres"}));
    QCOMPARE(message(&dialog), QStringLiteral("usuário ou senha inválidos\nTente de novo em 2 s."));
    auto* enter = dialog.findChild<QPushButton*>(QStringLiteral("btnEntrar"));
    QVERIFY(!enter->isEnabled());
    QTest::keyClicks(password, QStringLiteral("quatro"));
    QTest::keyClick(password, Qt::Key_Return);
    QCOMPARE(password->text(), QString());
    QCOMPARE(tried.size(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(enter->isEnabled(), 5000);
    QCOMPARE(message(&dialog), QStringLiteral("usuário ou senha inválidos"));
    QCOMPARE(QApplication::focusWidget(), password);
    QTest::keyClicks(password, QStringLiteral("cinco"));
    QTest::keyClick(password, Qt::Key_Return);
    QCOMPARE(tried.last(), QStringLiteral("cinco"));
}

void TestLogin::aSessionLeavesTheConfigurationAsItWas()
{
    createDemoDatabase(path(QStringLiteral("empresa.sqlite")));
    // An administrator's file: comments, keys in an order of its own, a blank line, no final
    // line break.
    const QString config = path(QStringLiteral("klx.ini"));
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("; estação do caixa 3 — não editar sem falar com a TI\n"
                           "[reports]\n"
                           "directory=%1\n"
                           "\n"
                           "[database]\n"
                           "; o banco da filial\n"
                           "path=%2\n"
                           "engine=sqlite\n"
                           "[login]\n"
                           "branch=01")
                .arg(AppPaths::shippedReportsDirectory(), path(QStringLiteral("empresa.sqlite")))
                .toUtf8());
    }
    const QByteArray before = checksum(config);
    const QDateTime modified = QFileInfo(config).lastModified();

    HostOptions options = HostOptions::parse({QStringLiteral("--config"), config});
    QVERIFY(HostLogin::asks(options));
    std::unique_ptr<HostSession> session;
    {
        const std::unique_ptr<LoginDialog> dialog = HostLogin::dialog(options, session);
        show(*dialog);
        type(field(dialog.get(), "edtOperador"), QStringLiteral("ADM"));
        QTest::keyClick(field(dialog.get(), "edtOperador"), Qt::Key_Return);
        QVERIFY2(session, qPrintable(message(dialog.get())));
    }
    session->mainWindow().show();
    session->openScreen();
    QCoreApplication::processEvents();
    auto* form =
        qobject_cast<TForm*>(session->mainWindow().mdiArea()->subWindowList().value(0)->widget());
    QVERIFY(form);
    QVERIFY(QMetaObject::invokeMethod(form, "saveCriteriaSet", Qt::DirectConnection,
                                      Q_ARG(QString, QStringLiteral("Fechamento"))));
    QCOMPARE(ScreenCriteria::loadSet(session->module(), QStringLiteral("Fechamento")).result,
             ScreenCriteriaApplied);
    form->findChild<TButtonFlat*>(QStringLiteral("sbtPreview"))->click();
    ReportPreviewDialog* preview = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<ReportPreviewDialog*>(widget);
            window && window->isVisible())
            preview = window;
    QVERIFY(preview);
    preview->findChild<QComboBox*>(QStringLiteral("zoom"))->setCurrentIndex(0);
    QVERIFY(preview->close());
    session->mainWindow().findChild<QAction*>(QStringLiteral("actionEnterAsTab"))->toggle();
    session.reset();

    const ProgramRun::Result report = ProgramRun::run(
        QStringLiteral("klx"),
        {QStringLiteral("report"), QStringLiteral("--config"), config, QStringLiteral("--operator"),
         QStringLiteral("ADM"), QStringLiteral("--filter"), QStringLiteral("Fechamento"),
         QStringLiteral("--output"), path(QStringLiteral("fechamento.csv"))},
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    QVERIFY2(report.code == 0, qPrintable(report.err));

    QCOMPARE(checksum(config), before);
    QCOMPARE(QFileInfo(config).lastModified(), modified);
    QCOMPARE(QDir(path(QString())).entryList({QStringLiteral("*.ini*")}, QDir::Files),
             QStringList{QStringLiteral("klx.ini")});
    // What the session remembered went to the program's state.
    const QSettings state(ProgramState::filePath(), QSettings::IniFormat);
    QCOMPARE(state.value(QStringLiteral("login/operator")).toString(), QStringLiteral("ADM"));
    QVERIFY(state.value(QStringLiteral("tela/enter-passa-campo")).toBool());
    const QStringList keys = state.allKeys();
    for (const char* group : {"^criterios/", "^ultimos-criterios/", "^visualizacao/"})
        QVERIFY2(!keys.filter(QRegularExpression(QLatin1String(group))).isEmpty(), group);
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
