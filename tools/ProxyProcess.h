#pragma once

#include <QProcess>
#include <QStringList>

#include <cstdint>

// tarnwick-delay-proxy (DelayProxy.cpp) running for as long as the object lives, started with
// the arguments given; it accepts connections once the constructor returns, which throws
// std::runtime_error when the proxy does not start. The proxy ends with the object.
class ProxyProcess {
public:
    explicit ProxyProcess(const QStringList& arguments);
    ~ProxyProcess();

    // Waits until the proxy has accepted a connection not waited for before; false after the time.
    bool waitForClient(int milliseconds);
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    // The network round trips the proxy's connections took so far, as the proxy counts them;
    // std::runtime_error when it does not say within 5 s.
    std::uint64_t roundTrips();

private:
    QProcess m_process;
};
