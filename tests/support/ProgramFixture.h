#pragma once

#include "app/Commands.h"
#include "app/Program.h"
#include "panel/PanelFeature.h"
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
 * folders live in the test's own directory. The process end is recorded, not
 * performed. Settings are pre-seeded so that start-up asks no first-run question
 * unless a test wants it (seedVersion = false). The printers are the fake ones
 * unless a test hands in a real print system.
 */
class ProgramFixture
{
public:
    explicit ProgramFixture(bool seedVersion = true, PrintSystem *printSystem = nullptr);
    ~ProgramFixture();

    TestEnvironment env;
    ScriptedPrompts prompts;
    FakeClock clock;
    FakeScreen screen;
    FakeSystem system;
    FakeSecretStore secrets;
    FakePrintSystem printers;
    std::unique_ptr<Program> program;
    int endedWith = -1;         ///< exit code passed to the process end, -1 while running

    /// LoadSettings then LoadNotes, as start-up does (no channel, panel not shown).
    void start();
    /// Writes \a bytes as the store in the data folder before start().
    void writeStore(const QByteArray &bytes);
    QByteArray readStore() const;
    QString storePath() const;
    QString dataFolder() const;
};

} // namespace pellux::test
