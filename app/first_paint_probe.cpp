#include "app/first_paint_probe.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace kq505 {
namespace {

double NowNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Milliseconds since the process started: field 22 of /proc/self/stat, in clock ticks
// since boot.
double SinceProcessStartMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22; ++i)
        fields >> field;
    unsigned long long start_ticks = 0;
    fields >> start_ticks;
    const double start_ns =
        static_cast<double>(start_ticks) * 1e9 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (NowNs(CLOCK_BOOTTIME) - start_ns) / 1e6;
}

double ElapsedMs() {
    const QByteArray launch = qgetenv("KQ505_LAUNCH_TIME_NS");
    if (launch.isEmpty()) return SinceProcessStartMs();
    return (NowNs(CLOCK_REALTIME) - launch.toDouble()) / 1e6;
}

// VmRSS of /proc/self/status.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

class FirstPaintProbe : public QObject {
  public:
    explicit FirstPaintProbe(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Queued, so that the painting is finished and on the screen when we stop.
            QTimer::singleShot(0, this, [] {
                std::printf("first paint %.1f ms after start, %.1f ms of processor time\n",
                            ElapsedMs(), NowNs(CLOCK_PROCESS_CPUTIME_ID) / 1e6);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

}  // namespace

std::function<void()> ExitAfterPortsOpenIfAsked() {
    if (qEnvironmentVariableIsEmpty("KQ505_EXIT_AFTER_PORTS_OPEN")) return {};
    return [] {
        std::printf("ports open %.1f ms after start, resident %ld KiB\n", ElapsedMs(),
                    ResidentKiB());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
}

void ExitAfterFirstPaintIfAsked(QWidget& window) {
    if (qEnvironmentVariableIsEmpty("KQ505_EXIT_AFTER_FIRST_PAINT")) return;
    new FirstPaintProbe(window);
}

}  // namespace kq505
