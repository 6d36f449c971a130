// The real program with its real window on a private X server (Xvfb): it
// starts, shows the device's screen inside the bezel, takes keys and clicks,
// closes on Escape with exit code 0 and leaves its settings behind.
//
// Skipped (with a message) where Xvfb is not installed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kTitle[] = "PC Simulator";
constexpr int kClientWidth = 407;
constexpr int kClientHeight = 421;
const QRect kDisplayRect(43, 60, 320, 240);

std::string FindXvfb() {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/Xvfb";
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}

/* A child process that is killed (if still running) and reaped when this
 * object goes away. */
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env,
          int keepFd = -1, const std::string& dir = {}) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
            if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
            if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
    }
    ~Child() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }
    /* Exit status within timeout, or -1 (still running or killed). */
    int Wait(std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = entry.rfind("WAYLAND_DISPLAY=", 0) == 0;
        for (const auto& o : overrides)
            replaced |= entry.rfind(o.substr(0, o.find('=') + 1), 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

std::string WindowName(Display* dpy, Window w) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(dpy, w, &name) && name) result = name;
    if (name) XFree(name);
    return result;
}

Window FindWindow(Display* dpy, const char* title) {
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(dpy, children[i], &attributes) &&
            attributes.map_state == IsViewable && WindowName(dpy, children[i]) == title) {
            found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

/* What the X server shows of window w. */
QImage Capture(Display* dpy, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a)) return {};
    XImage* x = XGetImage(dpy, w, 0, 0, static_cast<unsigned>(a.width),
                          static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!x) return {};
    QImage image(a.width, a.height, QImage::Format_RGB32);
    for (int y = 0; y < a.height; ++y) {
        for (int col = 0; col < a.width; ++col) {
            const unsigned long p = XGetPixel(x, col, y);
            image.setPixel(col, y, 0xFF000000u | static_cast<uint32_t>(p & 0xFFFFFFu));
        }
    }
    XDestroyImage(x);
    return image;
}

void Key(Display* dpy, KeySym sym, bool down) {
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, sym), down ? True : False, CurrentTime);
    XFlush(dpy);
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

/* Row of the window capture where the bezel picture begins: the offset at
 * which the bezel's top eight rows differ least from the capture. */
int ClientTop(const QImage& whole, const QImage& bezel) {
    int best = 0;
    long bestWrong = -1;
    for (int top = 0; top + bezel.height() <= whole.height(); ++top) {
        long wrong = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < bezel.width() && x < whole.width(); ++x)
                wrong += ChannelDistance(whole.pixel(x, top + y), bezel.pixel(x, y)) > 2;
        }
        if (bestWrong < 0 || wrong < bestWrong) {
            bestWrong = wrong;
            best = top;
        }
    }
    return best;
}

/* A window that goes away between two requests is an answer, not a reason
 * for Xlib to end the test process. */
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

TEST(WindowSmoke, ShowsTheDeviceInTheBezelAndClosesOnEscape) {
    const std::string xvfb = FindXvfb();
    if (xvfb.empty())
        GTEST_SKIP()
            << "Xvfb is not installed (Debian package xvfb): the window smoke test needs it";

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    Child server({xvfb, "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", "1400x1100x24",
                  "-nolisten", "tcp", "-noreset"},
                 Environment({}), pipeFds[1]);
    close(pipeFds[1]);
    ASSERT_TRUE(server.Started());
    std::string number;
    pollfd p{pipeFds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(pipeFds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not report its display";
    const std::string display = ":" + number;

    const std::string config = home.filePath(QStringLiteral("config")).toStdString();
    Child program({PCSIM_BINARY},
                  Environment({"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                               "XDG_CONFIG_HOME=" + config, "HOME=" + home.path().toStdString()}),
                  -1, home.path().toStdString());
    ASSERT_TRUE(program.Started());

    XSetErrorHandler(IgnoreXErrors);
    std::unique_ptr<Display, int (*)(Display*)> dpy(XOpenDisplay(display.c_str()), XCloseDisplay);
    ASSERT_TRUE(dpy) << "cannot connect to " << display;
    Window window = 0;
    for (auto end = Clock::now() + 20s; !window && Clock::now() < end;
         std::this_thread::sleep_for(50ms)) {
        window = FindWindow(dpy.get(), kTitle);
    }
    ASSERT_NE(window, 0u) << "no window titled \"" << kTitle << "\" appeared";

    // Let the device run and the window paint a good number of frames,
    // then press every device key once and click the middle bezel button.
    XSetInputFocus(dpy.get(), window, RevertToParent, CurrentTime);
    std::this_thread::sleep_for(1500ms);
    for (KeySym k : {XK_F1, XK_F2, XK_F3, XK_F4, XK_F5}) {
        Key(dpy.get(), k, true);
        std::this_thread::sleep_for(60ms);
        Key(dpy.get(), k, false);
    }
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(dpy.get(), window, &a));
    ASSERT_EQ(a.width, kClientWidth);
    ASSERT_GT(a.height, kClientHeight) << "the menu bar sits above the client area";
    const QImage bezel =
        QImage(QStringLiteral(PCSIM_BEZEL_PNG)).convertToFormat(QImage::Format_RGB32);
    // The client area lies between the menu bar and the status bar: it
    // starts where the bezel's top rows match best.
    const int menuHeight = ClientTop(Capture(dpy.get(), window), bezel);
    XWarpPointer(dpy.get(), None, window, 0, 0, 0, 0, 200, menuHeight + 370);
    XTestFakeButtonEvent(dpy.get(), 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy.get(), 1, False, CurrentTime);
    XFlush(dpy.get());
    std::this_thread::sleep_for(500ms);

    const QImage whole = Capture(dpy.get(), window);
    whole.save(QStringLiteral("window_smoke.png")); // left in the build tree to look at
    const QImage client = whole.copy(0, menuHeight, kClientWidth, kClientHeight);
    ASSERT_EQ(client.size(), QSize(kClientWidth, kClientHeight));

    // Inside the screen opening: the device's frame, pixel for pixel. The
    // keys have left a gauge page up; its side strip below the indicators
    // (device columns 270-319, rows 140-239) is static background art that
    // every gauge page shares, so it must match the fuel page's reference.
    const QImage reference(QStringLiteral(PCSIM_GOLDEN_DIR "/fuel.bmp"));
    ASSERT_EQ(reference.size(), QSize(320, 240));
    int wrongInside = 0;
    for (int y = 140; y < 240; ++y) {
        for (int x = 270; x < 320; ++x)
            wrongInside += (client.pixel(kDisplayRect.left() + x, kDisplayRect.top() + y) & 0xFFFFFF) !=
                           (reference.pixel(x, y) & 0xFFFFFF);
    }
    EXPECT_EQ(wrongInside, 0) << "device pixels not showing the device's frame";
    // Around it: the bezel picture as drawn.
    ASSERT_EQ(bezel.size(), client.size());
    int wrongOutside = 0;
    for (int y = 0; y < kClientHeight; ++y) {
        for (int x = 0; x < kClientWidth; ++x) {
            if (!kDisplayRect.contains(x, y))
                wrongOutside += ChannelDistance(client.pixel(x, y), bezel.pixel(x, y)) > 2;
        }
    }
    EXPECT_EQ(wrongOutside, 0) << "bezel pixels differing from the bezel picture";

    Key(dpy.get(), XK_Escape, true);
    Key(dpy.get(), XK_Escape, false);
    EXPECT_EQ(program.Wait(10s), 0) << "the program did not end with 0 after Escape";

    QFile settings(QString::fromStdString(config) + QStringLiteral("/VELK/Simulator.conf"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "no settings written to " << config;
    EXPECT_TRUE(settings.readAll().contains("ZoomFactor"));
}

} // namespace
