// The threading toolkit in one include.
#pragma once

#include "CountLimiter.h"
#include "CriticalSection.h"
#include "Event.h"
#include "Handle.h"
#include "MessageQueue.h"
#include "Monitor.h"
#include "NotifyOnSignal.h"
#include "SyncJoint.h"
#include "SyncObject.h"
#include "SyncRef.h"
#include "Thread.h"
#include "Timer.h"
#include "TimerQueue.h"
#include "WaitCallback.h"
