// The record correction window's list fill: every record read, the listed
// ones (not deleted, of the organizations checked in the filter) put into
// the list model. Offscreen.

#include <QCoreApplication>
#include <QTreeView>

#include "BenchFixture.h"
#include "session/RegisterList.h"
#include "session/Session.h"
#include "ui/RegisterListModel.h"
#include "ui/Unit2.h"

namespace vrklad::bench {
namespace {

// A started session on a working copy of the generated ProgramDir.
struct Started {
    Started(const Generated& g, const std::string& name) : work(g, name), session(work.Path()) {
        ready = session.Startup(op) == Session::StartupResult::Ready;
        session.OnFirstShown(op);
    }
    WorkDir work;
    BenchOperator op;
    Session session;
    bool ready = false;
};

// Every organization of the table checked, as the window starts.
OrgFilter AllOrganizations(const ProgramConfig& config) {
    OrgFilter filter;
    for (int i = 0; i < config.OrgCount && i < ProgramConfig::kMaxOrgs; ++i) {
        filter.Set(static_cast<uint32_t>(config.OrgOKPO[i]), true);
    }
    return filter;
}

// The model alone; with a column to sort by, the model re-sorts the new rows
// as the window does after the user sorted the list once.
void Fill(benchmark::State& state, int sortColumn) {
    const auto n = static_cast<uint32_t>(state.range(0));
    Started s(GeneratedFor(n), "list");
    if (!s.ready) {
        state.SkipWithError(s.op.Problems().c_str());
        return;
    }
    const OrgFilter filter = AllOrganizations(s.session.Config());
    RegisterListModel model;
    if (sortColumn >= 0) model.SortByColumn(sortColumn, 1);
    for (auto _ : state) model.SetRows(ListRecords(s.session.Register().ReadAll(), filter));
    if (model.rowCount() != static_cast<int>(n)) state.SkipWithError("not every record listed");
}

void ListFill(benchmark::State& state) { Fill(state, -1); }
void ListFillSortedByName(benchmark::State& state) { Fill(state, ColFio); }

// The whole window: LoadFromFile with its progress bar, and the list view
// taking the new rows and painting.
void ListFillWindow(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    Started s(GeneratedFor(n), "window");
    if (!s.ready) {
        state.SkipWithError(s.op.Problems().c_str());
        return;
    }
    TForm2 form(s.session, s.op);
    form.SetFormMode(fmView);
    form.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form.LoadFromFile();
        form.findChild<QTreeView*>(QStringLiteral("ListView1"))->viewport()->repaint();
    }
    if (form.Model()->rowCount() != static_cast<int>(n)) {
        state.SkipWithError("not every record listed");
    }
}

const int kListFill = RegisterSized("list_fill", ListFill, false);
const int kListFillSorted = RegisterSized("list_fill_sorted_by_name", ListFillSortedByName, false);
const int kListFillWindow = RegisterSized("list_fill_window", ListFillWindow, false);

}  // namespace
}  // namespace vrklad::bench
