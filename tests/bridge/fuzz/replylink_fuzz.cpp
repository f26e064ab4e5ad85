// libFuzzer target: arbitrary byte streams, cut into arbitrary reads of at most 16
// bytes, go through the slave link's receive buffer and reply dispatch with a waiting
// queue of arbitrary length and handlers that may raise. Afterwards the buffer and
// the queue must be exactly what the framing and pairing rules leave behind.
//
// Input: [queue length] [one selector per entry] [handler flags] then reads, each a
// length byte (taken modulo 17) followed by that many bytes.
#include "dialogs.h"
#include "exception.h"
#include "txtclclient.h"
#include "txtclwire.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Harness {
    TTcl owner;
    TXTclDataProc asyncData;
    std::vector<std::unique_ptr<TXTclClient>> origins;
    int events = 0;
    bool raise = false;

    Harness()
    {
        Dialogs::setResponder([](const Dialogs::Message&) { return int(Dialogs::Ok); });
        for (int i = 0; i < 3; ++i)
            origins.push_back(std::make_unique<TXTclClient>());
    }

    void assign(uint8_t flags)
    {
        raise = (flags & 0x80) != 0;
        const auto data = [this](QObject*, const QStringList&) { hit(); };
        const auto text = [this](QObject*, const QString&) { hit(); };
        asyncData = (flags & 1) ? TXTclDataProc(data) : TXTclDataProc();
        for (size_t i = 0; i < origins.size(); ++i) {
            const uint8_t bits = uint8_t(flags >> (1 + 2 * i));
            origins[i]->OnData = (bits & 1) ? TXTclDataProc(data) : TXTclDataProc();
            origins[i]->OnResult = (bits & 2) ? TXTclResultProc(text) : TXTclResultProc();
            origins[i]->OnError = (bits & 2) ? TXTclErrorProc(text) : TXTclErrorProc();
        }
    }

    void hit()
    {
        ++events;
        if (raise)
            throw Exception(QStringLiteral("handler failed"));
    }
};

Harness& harness()
{
    static Harness h;
    return h;
}

[[noreturn]] void fail(const char* what)
{
    fprintf(stderr, "inconsistent link state: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Harness& h = harness();
    size_t at = 0;
    const auto next = [&]() -> int { return at < size ? data[at++] : -1; };

    TReplyLink link(h.owner, h.asyncData);
    const int length = std::max(next(), 0);
    for (int i = 0; i < length; ++i) {
        const int selector = std::max(next(), 0) % 4;
        link.Waiting.append(selector == 0 ? nullptr : h.origins[size_t(selector - 1)].get());
    }
    const QList<TXTclBase*> initial = link.Waiting;
    h.assign(uint8_t(std::max(next(), 0)));
    Dialogs::clearHistory();

    // The model: what the rules leave in the buffer and the queue.
    QByteArray buffer;
    QList<TXTclBase*> queue = initial;
    size_t unmatched = 0;

    while (at < size) {
        const size_t count = std::min<size_t>(size_t(next()) % 17, size - at);
        const char* read = reinterpret_cast<const char*>(data + at);
        at += count;

        const size_t before = Dialogs::history().size();
        link.Receive(&h.owner, read, qsizetype(count));

        for (size_t i = 0; i < count && read[i] != '\0'; ++i)
            buffer.append(read[i]);
        qsizetype cut = 0;
        while ((cut = buffer.indexOf("!@#\r\n")) >= 0) {
            const char kind = cut == 0 ? '\0' : buffer.at(0);
            buffer.remove(0, cut + 5);
            if (kind == '9')
                continue;
            if (queue.isEmpty())
                ++unmatched;
            else if (kind != '4')
                queue.removeFirst();
        }
        if (link.Buffer != buffer)
            fail("receive buffer");
        if (link.Waiting != queue)
            fail("waiting queue");
        if (Dialogs::history().size() < before)
            fail("dialog history");
    }
    if (link.Buffer.contains("!@#\r\n"))
        fail("delimiter left in the buffer");
    size_t unmatchedShown = 0;
    for (const auto& m : Dialogs::history()) {
        if (m.text == QLatin1String("TXTclSocket.socketOnData - List index out of bounds"))
            ++unmatchedShown;
    }
    if (unmatchedShown != unmatched)
        fail("unmatched replies reported");
    Dialogs::clearHistory();
    return 0;
}
