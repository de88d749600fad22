#include "hook/KeyOutput.h"

#include "hook/InjectMark.h"
#include "hook/MouseInputs.h"

namespace {

void DropFront(ReplayQueue& queue, std::size_t count) {
    for (std::size_t i = count; i < queue.Count; ++i)
        queue.Events[i - count] = queue.Events[i];
    queue.Count -= count;
    queue.Sent -= count;
}

} // namespace

bool Enqueue(ReplayQueue& queue, DWORD virtualKey, DWORD scanCode, DWORD flags) {
    // A wheel notch is one event of the system's, sent at its press: its release sends nothing.
    if ((flags & MouseEventFlag) && (flags & LLKHF_UP)) {
        const MouseInput* mouse = MouseInputOfCode(KeyCodeOf(scanCode, flags));
        if (!mouse || mouse->Wheel)
            return true;
    }
    if (queue.Count == MaxReplayEvents)
        return false;
    ReplayEvent& event = queue.Events[queue.Count++];
    event.VirtualKey = virtualKey;
    event.ScanCode = scanCode;
    event.Flags = flags & (LLKHF_EXTENDED | LLKHF_UP | MouseEventFlag);
    return true;
}

bool EnqueueSentKey(ReplayQueue& queue, const SentKey& key, bool up) {
    return Enqueue(queue, key.VirtualKey, key.ScanCode,
                   (key.Extended ? LLKHF_EXTENDED : 0) | (up ? LLKHF_UP : 0) |
                       (key.Mouse ? MouseEventFlag : 0));
}

bool EnqueueMask(ReplayQueue& queue) {
    return queue.Count + 2 <= MaxReplayEvents && Enqueue(queue, MaskingVirtualKey, 0, 0) &&
           Enqueue(queue, MaskingVirtualKey, 0, LLKHF_UP);
}

void EnqueueModifiers(ReplayQueue& queue, ModifierKeys keys, bool up) {
    if (up && (keys & AltOrWinKeys))
        EnqueueMask(queue);
    for (int i = 0; i < ModifierKeyCount; ++i) {
        if (!(keys & (1u << i)))
            continue;
        const KeyInfo& key = ModifierKeyTable[i].Key;
        Enqueue(queue, key.VirtualKey, key.ScanCode,
                ((key.Flags & KeyExtended) ? LLKHF_EXTENDED : 0) | (up ? LLKHF_UP : 0));
    }
}

bool HasRoomForOneEvent(const ReplayQueue& queue) {
    return queue.Count + ReplayRoomPerEvent <= MaxReplayEvents;
}

void DropLapsed(ReplayQueue& queue, DWORD time) {
    if (queue.Sent && static_cast<LONG>(time - queue.SentTime) >= static_cast<LONG>(ReplayLapseMs))
        DropFront(queue, queue.Sent);
}

void NoteReplayed(ReplayQueue& queue, const KeyEvent& event) {
    if (queue.Sent == 0)
        return;
    const ReplayEvent& next = queue.Events[0];
    constexpr DWORD kind = LLKHF_UP | MouseEventFlag;
    if ((next.Flags & kind) == (event.Flags & kind) &&
        (next.VirtualKey == event.VirtualKey ||
         (event.ScanCode && next.ScanCode == event.ScanCode)))
        DropFront(queue, 1);
}

void QueueReport(ReportQueue& queue, std::uint32_t code, DWORD virtualKey) {
    if (queue.Count < MaxReports)
        queue.Reports[queue.Count++] = {code, virtualKey};
}
