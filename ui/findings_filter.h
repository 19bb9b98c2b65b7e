#pragma once

#include <QSortFilterProxyModel>

namespace pardovane {

// The findings the user asks to see, in the order asked: the rows of one
// scope whose text holds the filter's, sorted by any column.
class FindingsFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    enum class Scope { Problems, Broken, Warnings, Every };

    explicit FindingsFilter(QObject* parent = nullptr);

    void SetScope(Scope scope);
    Scope scope() const { return scope_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    Scope scope_ = Scope::Problems;
};

}  // namespace pardovane
