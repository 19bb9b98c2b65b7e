#include "ui/findings_filter.h"

#include "ui/findings_model.h"

namespace pardovane {

FindingsFilter::FindingsFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    setFilterKeyColumn(-1);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(false);
}

void FindingsFilter::SetScope(Scope scope)
{
    if (scope == scope_)
        return;
    scope_ = scope;
    invalidateRowsFilter();
}

bool FindingsFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    using Verdict = FindingsModel::Verdict;
    const auto verdict = static_cast<Verdict>(
        sourceModel()->index(sourceRow, 0, sourceParent).data(FindingsModel::kVerdictRole).toInt());
    bool inScope = true;
    switch (scope_) {
    case Scope::Problems:
        inScope = verdict != Verdict::Good;
        break;
    case Scope::Broken:
        inScope = verdict == Verdict::Broken;
        break;
    case Scope::Warnings:
        inScope = verdict == Verdict::Warned;
        break;
    case Scope::Every:
        break;
    }
    return inScope && QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

}  // namespace pardovane
