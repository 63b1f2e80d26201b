// The two kinds of collector link behind OpenCollectorLink (Collector.h).
#pragma once

#include "Log/Collector.h"

ptr<CollectorLink> OpenTcpCollectorLink(const CollectorAddress& address);
ptr<CollectorLink> OpenRelpCollectorLink(const CollectorAddress& address);
