#include "support/ProgramFixture.h"

#include "core/Settings.h"
#include "features/Features.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace pellux::test {

ProgramFixture::ProgramFixture(bool seedVersion)
    : ProgramFixture(seedVersion, nullptr, nullptr)
{
}

ProgramFixture::ProgramFixture(bool seedVersion, SoundPlayer *realSound)
    : ProgramFixture(seedVersion, realSound, nullptr)
{
}

ProgramFixture::ProgramFixture(bool seedVersion, PrintSystem *printSystem)
    : ProgramFixture(seedVersion, nullptr, printSystem)
{
}

ProgramFixture::ProgramFixture(bool seedVersion, SoundPlayer *realSound, PrintSystem *printSystem)
    : m_sound(realSound)
    , m_printSystem(printSystem)
{
    system.appData = env.dataHome();
    system.temp = env.tempDir();
    if (seedVersion) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        s.setValue(QStringLiteral("Settings/Version"), QStringLiteral("3.2  (Build 155)"));
        s.setValue(QStringLiteral("Settings/NextUpdateCheck"), SettingDateText(clock.today().addMonths(2)));
        s.sync();
    }
    makeProgram();
}

void ProgramFixture::makeProgram()
{
    program = std::make_unique<Program>(services(prompts));
    InstallFeatures(*program);
    program->endProcess = [this](int code) { endedWith = code; };
    program->appPath = QCoreApplication::applicationDirPath();
    program->workingDirectory = env.workDir();
}

void ProgramFixture::restart(bool andStart)
{
    program.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    prompts.clear();
    makeProgram();
    if (andStart)
        start();
}

ProgramFixture::~ProgramFixture()
{
    program.reset();
    // Windows unloaded with deleteLater go now, before the next test.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Services ProgramFixture::services(Prompts &withPrompts)
{
    return Services{withPrompts, clock, screen, system, &secrets, m_sound ? m_sound : &sound, &notifier,
                    m_printSystem ? m_printSystem : &printers};
}

void ProgramFixture::start()
{
    program->LoadSettings();
    program->LoadNotes();
}

QString ProgramFixture::dataFolder() const
{
    return env.dataHome() + QStringLiteral("/Brackwel Systems/Pellux/");
}

QString ProgramFixture::storePath() const
{
    return dataFolder() + QStringLiteral("Pellux.NoteData");
}

void ProgramFixture::writeStore(const QByteArray &bytes)
{
    TestEnvironment::writeFile(storePath(), bytes);
}

QByteArray ProgramFixture::readStore() const
{
    return TestEnvironment::readFile(storePath());
}

} // namespace pellux::test
