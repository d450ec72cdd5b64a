#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pellux::test {

/**
 * A PulseAudio server of the test's own whose only output is a null sink, so that
 * what a test plays can be recorded from the sink's monitor and nothing is heard.
 * Server, socket, cookie and state live in a temporary folder; this process is
 * pointed at it (PULSE_SERVER) when it starts, so QtMultimedia, which meets the
 * audio server once per process, plays there. Stopped with the object.
 */
class PulseAudioServer
{
public:
    static constexpr int kRate = 44100;

    ~PulseAudioServer();

    /// The tools this needs that are not installed (empty when all are).
    static QStringList missingTools();

    /// Starts the server and waits until it answers; false with \a error otherwise.
    bool start(QString *error);
    void stop();

    QString sink() const { return QStringLiteral("pellux_test"); }
    QString folder() const { return m_dir.path(); }
    /// The environment of a client of this server (pactl, pacat).
    QProcessEnvironment environment() const { return m_env; }
    /// Runs pactl with \a args on this server: its exit code, -1 when it did not finish.
    int pactl(const QStringList &args) const;

    /**
     * Starts recording the sink's monitor as 16-bit mono samples at kRate into
     * \a recorder, and returns once the samples flow (the monitor gives silence until
     * something plays). Whatever came before that is in \a start.
     */
    bool startRecording(QProcess &recorder, QByteArray *start, QString *error) const;

    /// Makes a tone of \a seconds of 440 Hz at half of full scale with sox (16-bit mono).
    static bool makeTone(const QString &path, const QString &seconds, QString *error);

    /// What sox's "stat" says of 16-bit mono samples at kRate: "RMS     amplitude" and so on.
    struct Stat
    {
        double rms = 0;
        double maximum = 0;
        double seconds = 0;
    };
    static bool soxStat(const QByteArray &samples, Stat *stat, QString *error);

private:
    /// Short whatever TMPDIR says: a socket's path has room for about 100 bytes.
    QTemporaryDir m_dir{QStringLiteral("/tmp/pellux-pulse-XXXXXX")};
    QProcess m_server;
    QProcessEnvironment m_env;
};

} // namespace pellux::test
