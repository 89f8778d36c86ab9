// A job's time on the link.

#include "link/LinkJob.h"

TJobScope::TJobScope(TJobLink& link, TLinkJob& job) : link(link), job(job), alive(link.Guard()) {
    const TLinkJob* running = link.Running();
    if (running == nullptr) {
        link.Begin(job);
        own = admitted = true;
    } else {
        admitted = running->Includes(job);
    }
}

TJobScope::~TJobScope() {
    if (own && !alive.isNull())
        link.End(job);
}
