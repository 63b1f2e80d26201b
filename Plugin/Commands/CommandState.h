// CommandState: what a session extender keeps for its commands from one
// command to the next, as long as it lives, shared by every session it
// serves. Each piece goes only to the commands that use it:
//   KeptLog        the script log and its settings    aRvik.LogWrite
//   KeptProcesses  the programs left running          aRvik.Execute, aRvik.Await
//   KeptTextBlock  the memory of the last long text   aRvik.FileRead
//   HttpClient     the web session                    aRvik.Http
// The pieces' types stay incomplete here: the file of the command that
// uses one makes and deletes it (MakeState, DeleteState), so that a change
// of its header recompiles that command and no other.
#pragma once

#include "Commands/Commands.h"

// Defined in Commands/LogWrite.cpp, Execute.cpp, FileRead.cpp and Http.cpp.
void MakeState(KeptLog*& made);
void DeleteState(KeptLog* log);
void MakeState(KeptProcesses*& made);
void DeleteState(KeptProcesses* kept);
void MakeState(KeptTextBlock*& made);
void DeleteState(KeptTextBlock* block);
void MakeState(HttpClient*& made);
void DeleteState(HttpClient* web);

// One piece, made with the slot and deleted with it.
template <class T>
class StateSlot {
public:
    StateSlot() { MakeState(held_); }
    ~StateSlot() { DeleteState(held_); }
    StateSlot(const StateSlot&) = delete;
    StateSlot& operator=(const StateSlot&) = delete;

    T& operator*() const { return *held_; }

private:
    T* held_ = nullptr;
};

// A command's piece is found by its type: Piece<KeptProcesses>(). Made in
// this order, deleted in the reverse.
struct CommandState : StateSlot<KeptLog>, StateSlot<KeptProcesses>, StateSlot<KeptTextBlock>, StateSlot<HttpClient> {
    template <class T>
    T& Piece() {
        return *static_cast<StateSlot<T>&>(*this);
    }
};
