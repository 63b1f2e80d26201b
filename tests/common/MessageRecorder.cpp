#include "MessageRecorder.h"

static MessageRecorder* newest = nullptr;

MessageRecorder::MessageRecorder() : outer_(newest), previous_(SetMessageHandler(Record)) { newest = this; }

MessageRecorder::~MessageRecorder() {
    newest = outer_;
    SetMessageHandler(previous_);
}

int __stdcall MessageRecorder::Record(const MessageRequest& request) {
    MessageRecorder* recorder = newest;
    if (!recorder) return IDOK;
    recorder->boxes_.push_back({request.kind, request.text ? request.text : "",
                                request.caption ? request.caption : "", request.style, request.owner});
    if (recorder->answers_.empty()) return IDOK;
    int button = recorder->answers_.front();
    recorder->answers_.pop_front();
    return button;
}
