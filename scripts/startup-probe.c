/* Starts a program and prints the milliseconds until its first top-level window is mapped on
 * the X display. Usage: startup-probe PROGRAM [ARGS...] (the program is killed afterwards). */
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    Display *display = NULL;
    /* A display just started may not accept connections yet. */
    for (int attempt = 0; !display && attempt < 50; ++attempt) {
        display = XOpenDisplay(NULL);
        if (!display)
            usleep(100000);
    }
    if (!display) {
        fprintf(stderr, "no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect)
            break;
    }
    printf("%.1f\n", nowMs() - start);
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    XCloseDisplay(display);
    return 0;
}
