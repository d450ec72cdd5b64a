#pragma once

#include <QThread>
#include <QtTest>

#include <memory>

namespace pellux::test {

/// Runs a blocking client call on a thread of its own while this thread serves events.
template<typename F>
auto onClientThread(F work)
{
    decltype(work()) result{};
    std::unique_ptr<QThread> thread(QThread::create([&] { result = work(); }));
    thread->start();
    // Every client call is bounded by its own time-out, so this only trips on a real hang.
    if (!QTest::qWaitFor([&] { return thread->isFinished(); }, 30000))
        qFatal("a blocking client call never returned");
    thread->wait();
    return result;
}

} // namespace pellux::test
