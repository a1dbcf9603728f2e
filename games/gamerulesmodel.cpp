#include "games/gamerulesmodel.h"

void GameRulesModel::setRules(const QList<GameRule>& rules) {
    beginResetModel();
    gameRules = rules;
    endResetModel();
}

int GameRulesModel::addRule(const QString& name, const QString& match) {
    const QString game = name.trimmed();
    const QString process = match.trimmed();
    if (game.isEmpty() || process.isEmpty() || !isNameFree(game, -1))
        return -1;
    const int row = gameRules.size();
    beginInsertRows(QModelIndex(), row, row);
    gameRules.append({game, process, {}});
    endInsertRows();
    emit rulesEdited();
    return row;
}

void GameRulesModel::removeRule(int row) {
    if (row < 0 || row >= gameRules.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    gameRules.removeAt(row);
    endRemoveRows();
    emit rulesEdited();
}

int GameRulesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : gameRules.size();
}

int GameRulesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FirstKindColumn + gameRuleKinds().size();
}

QVariant GameRulesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const GameRule& rule = gameRules.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return rule.name;
    case MatchColumn:
        return rule.match;
    default:
        return rule.profiles.value(gameRuleKinds().value(index.column() - FirstKindColumn));
    }
}

QVariant GameRulesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return tr("Game");
    case MatchColumn:
        return tr("Process");
    default: {
        const QString kind = gameRuleKinds().value(section - FirstKindColumn);
        if (kind == QLatin1String("wheelbase"))
            return tr("Wheel base");
        if (kind == QLatin1String("pedals"))
            return tr("Pedals");
        if (kind == QLatin1String("buttonplate"))
            return tr("Button plate");
        return kind;
    }
    }
}

Qt::ItemFlags GameRulesModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) |
           (index.isValid() ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool GameRulesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    GameRule& rule = gameRules[index.row()];
    const QString text = value.toString().trimmed();
    switch (index.column()) {
    case NameColumn:
        if (text.isEmpty() || !isNameFree(text, index.row()))
            return false;
        rule.name = text;
        break;
    case MatchColumn:
        if (text.isEmpty())
            return false;
        rule.match = text;
        break;
    default: {
        const QString kind = gameRuleKinds().value(index.column() - FirstKindColumn);
        if (text.isEmpty())
            rule.profiles.remove(kind);
        else
            rule.profiles.insert(kind, text);
    }
    }
    emit dataChanged(index, index);
    emit rulesEdited();
    return true;
}

bool GameRulesModel::isNameFree(const QString& name, int exceptRow) const {
    for (int row = 0; row < gameRules.size(); ++row) {
        if (row != exceptRow && gameRules[row].name == name)
            return false;
    }
    return true;
}
