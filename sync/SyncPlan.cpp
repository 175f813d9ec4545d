#include "SyncPlan.h"

#include <set>

namespace Sync
{
namespace
{
// Enough to recognise the entries; a listing of hundreds of broken entries
// should not make a box taller than the screen.
const size_t MostSkippedNamed = 10;

void AddStep(CSyncPlan& plan, CSyncStep::Kind kind, const CString& channel)
{
    CSyncStep step;
    step.kind = kind;
    step.channel = channel;
    plan.steps.push_back(step);
}
} // namespace

CSyncPlan PlanSync(int action, const std::vector<CString>& client, const std::vector<CString>& server,
                   ChannelCheck canBeChannel)
{
    CSyncPlan plan;
    if (action != ServerToClient && action != ClientToServer)
    {
        return plan;
    }
    const std::set<CString> onClient(client.begin(), client.end());
    const std::set<CString> onServer(server.begin(), server.end());
    const bool toServer = action == ClientToServer;
    for (const CString& entry : client)
    {
        CSyncStep::Kind kind = CSyncStep::Keep;
        if (onServer.count(entry) == 0)
        {
            kind = toServer ? CSyncStep::AddRemote : CSyncStep::RemoveLocal;
            ++(toServer ? plan.added : plan.removed);
        }
        AddStep(plan, kind, entry);
    }
    std::set<CString> seen;
    for (const CString& entry : server)
    {
        CSyncStep::Kind kind = CSyncStep::Keep;
        const bool missing = onClient.count(entry) == 0;
        if (missing && toServer)
        {
            kind = CSyncStep::RemoveRemote;
            ++plan.removed;
        }
        else if (missing && seen.insert(entry).second)
        {
            if (canBeChannel(entry))
            {
                kind = CSyncStep::AddLocal;
                ++plan.added;
            }
            else
            {
                plan.skipped.push_back(entry);
            }
        }
        AddStep(plan, kind, entry);
    }
    return plan;
}

CString SkippedNote(const std::vector<CString>& skipped)
{
    if (skipped.empty())
    {
        return CString();
    }
    CString note =
        CString::Format("\n\n%u listed entries are not feed addresses a channel can be kept under, "
                        "and were not added:",
                        static_cast<unsigned>(skipped.size()));
    for (size_t i = 0; i < skipped.size() && i < MostSkippedNamed; ++i)
    {
        note += "\n";
        const CString& entry = skipped[i];
        if (entry.IsEmpty())
        {
            note += "(an empty entry)";
        }
        for (size_t j = 0; j < entry.GetLength(); ++j)
        {
            const unsigned char byte = static_cast<unsigned char>(entry[j]);
            note += byte < 0x20 || byte == 0x7F ? '?' : entry[j];
        }
    }
    if (skipped.size() > MostSkippedNamed)
    {
        note +=
            CString::Format("\n... and %u more", static_cast<unsigned>(skipped.size() - MostSkippedNamed));
    }
    return note;
}
} // namespace Sync
