// The mark point and the repeat end: the practice loop between them, and the
// place that Stop, Play from stop and RW return to.

#include <algorithm>

#include "app/application.h"
#include "ports/control_ids.h"

namespace earloop {

namespace {

// The two points keep at least this far apart; a move that brings them
// closer clears the repeat end.
constexpr int kRepeatGapMs = 200;
// The repeat end is shown this much after the position where Rept was pressed.
constexpr int kRepeatShownAfterMs = 100;

}  // namespace

int Application::PositionMs() const { return static_cast<int>(transport_.Output().MsOfPosition(playback_.position)); }

int Application::LatestMarkMs() const { return earloop::LatestMarkMs(playback_.totalMs, settings_.markPointStep); }

// Space also pauses and resumes the live input while it runs.
void Application::MarkSet() {
    if (LiveInputOn()) {
        PauseOrResumeLiveInput();
        return;
    }
    if (!states_.markPoint || marks_.repeatSet) return;
    marks_.markMs = PositionMs();
    if (marks_.markMs >= static_cast<int>(playback_.totalMs)) marks_.markMs = LatestMarkMs();
    marks_.markSet = true;
    ShowMarkCursor();
    ToggleButton(Ctl::MarkSet);
    platform_.window.EnableControl(main_[Ctl::MarkClear], true);
    platform_.window.EnableControl(main_[Ctl::RepeatSet], true);
    platform_.window.EnableControl(main_[Ctl::RepeatClear], false);
}

void Application::MarkLater() { MoveMark(true); }
void Application::MarkEarlier() { MoveMark(false); }

void Application::MoveMark(bool later) {
    if (!states_.markPoint) return;
    MarkPoint& m = marks_;
    if (!m.markSet) {
        m.markMs = PositionMs();
        if (later) m.markMs = std::min(m.markMs, LatestMarkMs());
        m.markSet = true;
    } else if (later) {
        if (m.repeatSet) InvertRepeatRange();
        m.markMs += settings_.markPointStep;
        if (m.repeatSet && m.markMs + kRepeatGapMs >= m.repeatEndMs) {
            DropRepeatEnd();
        } else {
            m.markMs = std::min(m.markMs, LatestMarkMs());
            if (m.repeatSet) InvertRepeatRange();
        }
    } else {
        if (m.repeatSet) InvertRepeatRange();
        m.markMs = std::max(m.markMs - settings_.markPointStep, 0);
        if (m.repeatSet) InvertRepeatRange();
    }
    ShowMarkCursor();
}

void Application::RepeatSet() {
    MarkPoint& m = marks_;
    if (!m.markSet || m.repeatSet) return;
    m.repeatEndBytes = transport_.Output().Align(playback_.position);
    m.repeatEndMs = PositionMs() + kRepeatShownAfterMs;
    if (m.repeatEndMs <= m.markMs) return;
    m.repeatEndMs = std::min(m.repeatEndMs, static_cast<int>(playback_.totalMs));
    m.repeatSet = true;
    InvertRepeatRange();
    transport_.Rewind();
    ToggleButton(Ctl::RepeatClear);
}

void Application::RepeatLater() { MoveRepeatEnd(true); }
void Application::RepeatEarlier() { MoveRepeatEnd(false); }

void Application::MoveRepeatEnd(bool later) {
    MarkPoint& m = marks_;
    if (!m.repeatSet) return;
    InvertRepeatRange();
    if (later) {
        m.repeatEndMs += settings_.markPointStep;
    } else {
        m.repeatEndMs -= settings_.markPointStep;
        if (m.repeatEndMs - kRepeatGapMs <= m.markMs) {
            DropRepeatEnd();
            return;
        }
    }
    m.repeatEndMs = std::min(m.repeatEndMs, static_cast<int>(playback_.totalMs));
    m.repeatEndBytes = transport_.Output().WaveTimeOffset(static_cast<std::uint32_t>(m.repeatEndMs));
    InvertRepeatRange();
}

void Application::RepeatClear() {
    if (marks_.repeatSet) HideRepeat();
    platform_.window.EnableControl(main_[Ctl::RepeatClear], false);
}

void Application::MarkClear() {
    if (!states_.markPoint || !marks_.markSet) return;
    if (marks_.repeatSet) HideRepeat();
    marks_.markSet = false;
    marks_.markMs = 0;
    view_.Texts().markTimeActive = false;
    view_.Texts().markTime = "00:00.00";
    view_.DrawMarkTime(view_.Texts().markTime);
    RemoveMarkCursor();
    for (Ctl ctl : {Ctl::MarkClear, Ctl::RepeatSet, Ctl::RepeatClear}) platform_.window.EnableControl(main_[ctl], false);
}

void Application::HideRepeat() {
    InvertRepeatRange();
    ForgetRepeatEnd();
    view_.Texts().repeatTime = "00:00.00";
    view_.DrawRepeatTime(view_.Texts().repeatTime);
}

// Without a repeat end its readout runs along with the play time, in grey.
void Application::ForgetRepeatEnd() {
    marks_.repeatSet = false;
    view_.Texts().repeatTimeActive = false;
}

// A move that brought the two points too close: the range is already hidden.
void Application::DropRepeatEnd() {
    ForgetRepeatEnd();
    platform_.window.EnableControl(main_[Ctl::RepeatClear], false);
}

}  // namespace earloop
