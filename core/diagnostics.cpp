// The small formatter, the console lines and the messages.
#include "core/diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
MessageSink messageSink = messageToStderr;

// write(2) until all is written or the descriptor fails; the count written.
size_t writeAll(int fd, const char* text, size_t length) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd, text + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

// Appends text, keeping the terminator inside the buffer.
void append(char* out, size_t capacity, int* length, const char* text) {
    size_t room = capacity - 1 - static_cast<size_t>(*length);
    size_t n = std::strlen(text);
    if (n > room) n = room;
    std::memcpy(out + *length, text, n);
    *length += static_cast<int>(n);
    out[*length] = '\0';
}

void appendChar(char* out, size_t capacity, int* length, char c) {
    if (static_cast<size_t>(*length) + 1 >= capacity) return;
    out[(*length)++] = c;
    out[*length] = '\0';
}
}  // namespace

int formatMessage(char* out, size_t capacity, const char* format, va_list args) {
    if (capacity == 0) return 0;
    int length = 0;
    out[0] = '\0';
    size_t formatLength = std::strlen(format);
    char number[320];  // room for any %f
    for (size_t i = 0; i < formatLength; ++i) {
        char c = format[i];
        if (c != '%') {
            appendChar(out, capacity, &length, c);
            continue;
        }
        switch (format[i + 1]) {  // format[formatLength] is the terminator
            case 'c':
                appendChar(out, capacity, &length, static_cast<char>(va_arg(args, int)));
                ++i;
                break;
            case 'd':
            case 'i':
                std::snprintf(number, sizeof number, "%i", va_arg(args, int));
                append(out, capacity, &length, number);
                ++i;
                break;
            case 'f':
                std::snprintf(number, sizeof number, "%f", va_arg(args, double));
                append(out, capacity, &length, number);
                ++i;
                break;
            case 'x':
            case 'X':
                std::snprintf(number, sizeof number, "%X", va_arg(args, unsigned));
                append(out, capacity, &length, number);
                ++i;
                break;
            case 's': {
                const char* s = va_arg(args, const char*);
                append(out, capacity, &length, s ? s : "(null)");
                ++i;
                break;
            }
            default:
                // Not a conversion: the '%' stands for itself and the next
                // character is read again on its own.
                appendChar(out, capacity, &length, '%');
                break;
        }
    }
    return length;
}

void showMessage(const char* format, ...) {
    char text[MESSAGE_CAPACITY];
    va_list args;
    va_start(args, format);
    formatMessage(text, sizeof text, format, args);
    va_end(args);
    messageSink(text, "please note");
}

int consolePrint(const char* format, ...) {
    char text[MESSAGE_CAPACITY];
    va_list args;
    va_start(args, format);
    int length = formatMessage(text, sizeof text, format, args);
    va_end(args);
    return consoleWrite(text, length);
}

void setMessageSink(MessageSink sink) { messageSink = sink ? sink : messageToStderr; }

void messageToStderr(const char* text, const char* caption) {
    // One write, so the message is not interleaved with other output.
    std::string line = std::string(caption) + ": " + text + "\n";
    writeAll(STDERR_FILENO, line.data(), line.size());
}

int consoleWrite(const char* text, int length) {
    if (length <= 0) return length;
    size_t done = writeAll(STDOUT_FILENO, text, static_cast<size_t>(length));
    return done > 0 ? static_cast<int>(done) : length;
}
