// What SDL2 and Mesa alone keep per fullscreen toggle: the same window and
// context made and given up n times, alternating fullscreen and windowed as
// F4 does, each with the show's three textures and a few frames drawn.
// Prints the resident size after the second creation (the first toggle) and
// after the last, for the whole-show run to allow that growth and no more.
//   bare_toggle <n> <width> <height> [start fullscreen 0/1]
#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
long residentKiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
    if (f) std::fclose(f);
    return kib;
}

void texture(int width, int height, int format, const std::vector<unsigned char>& pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

void frames(SDL_Window* window, int count) {
    for (int i = 0; i < count; ++i) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(-1, -1), glTexCoord2f(1, 0), glVertex2f(1, -1);
        glTexCoord2f(1, 1), glVertex2f(1, 1), glTexCoord2f(0, 1), glVertex2f(-1, 1);
        glEnd();
        SDL_GL_SwapWindow(window);
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::atoi(argv[1]) < 2) return std::fprintf(stderr, "usage: bare_toggle <n> <width> <height> [fullscreen]\n"), 2;
    const int n = std::atoi(argv[1]), width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    int fullscreen = argc > 4 ? std::atoi(argv[4]) & 1 : 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return std::fprintf(stderr, "video: %s\n", SDL_GetError()), 1;
    std::vector<unsigned char> pixels(512 * 512 * 4, 0x80);
    long first = 0, last = 0;
    for (int i = 0; i < n; ++i, fullscreen ^= 1) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | (fullscreen ? SDL_WINDOW_FULLSCREEN : 0);
        SDL_Window* window = SDL_CreateWindow("bare", 0, 0, width, height, flags);
        SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
        if (!context || SDL_GL_MakeCurrent(window, context) != 0)
            return std::fprintf(stderr, "window %d: %s\n", i, SDL_GetError()), 1;
        SDL_ShowWindow(window);
        texture(512, 512, 3, pixels);
        texture(128, 512, 3, pixels);
        texture(256, 256, 4, pixels);
        frames(window, 30);
        if (i == 1) first = residentKiB();
        if (i == n - 1) last = residentKiB();
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
    }
    SDL_Quit();
    std::printf("resident after the first toggle %ld KiB, after the last %ld KiB\n", first, last);
    return 0;
}
