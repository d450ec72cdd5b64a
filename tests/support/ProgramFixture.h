#pragma once

#include "app/Commands.h"
#include "app/Program.h"
#include "panel/PanelFeature.h"
#include "platform/FakeDesktopNotifier.h"
#include "platform/FakeSoundPlayer.h"
#include "support/FakePrintSystem.h"
#include "support/Fakes.h"
#include "support/FakeSecretStore.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <memory>

namespace pellux::test {

/**
 * A whole program on test seams in a private folder: scripted prompts, a fake
 * clock, a 96 DPI 1280 x 1024 screen, and fake system queries whose data and temp
 * folders live in the test's own directory, a sound player that plays nothing
 * and notifications that are only recorded. The process end is recorded, not
 * performed. Settings are pre-seeded so that start-up asks no first-run question
 * unless a test wants it (seedVersion = false). The printers are the fake ones
 * unless a test hands in a real print system.
 */
class ProgramFixture
{
public:
    explicit ProgramFixture(bool seedVersion = true);
    /// \a realSound: the alarms play on it instead of the fake (a test that wants to hear them).
    ProgramFixture(bool seedVersion, SoundPlayer *realSound);
    /// \a printSystem: the printers and spooler instead of the fake ones (a real cupsd, say).
    ProgramFixture(bool seedVersion, PrintSystem *printSystem);
    ~ProgramFixture();

    TestEnvironment env;
    ScriptedPrompts prompts;
    FakeClock clock;
    FakeScreen screen;
    FakeSystem system;
    FakeSecretStore secrets;
    FakeSoundPlayer sound;
    FakeDesktopNotifier notifier;
    FakePrintSystem printers;
    std::unique_ptr<Program> program;
    int endedWith = -1;         ///< exit code passed to the process end, -1 while running

    /// The seams above as the program takes them.
    Services services(Prompts &withPrompts);

    /// LoadSettings then LoadNotes, as start-up does (no channel, panel not shown).
    void start();
    /**
     * The program ends as a killed process would (nothing saved) and a new one starts on
     * the same folders, with the prompts' script and record cleared. With \a andStart
     * false the new program is not started, so a test can script its start first.
     */
    void restart(bool andStart = true);
    /// Writes \a bytes as the store in the data folder before start().
    void writeStore(const QByteArray &bytes);
    QByteArray readStore() const;
    QString storePath() const;
    QString dataFolder() const;

private:
    void makeProgram();
    ProgramFixture(bool seedVersion, SoundPlayer *realSound, PrintSystem *printSystem);
    SoundPlayer *m_sound = nullptr;
    PrintSystem *m_printSystem = nullptr;
};

} // namespace pellux::test
