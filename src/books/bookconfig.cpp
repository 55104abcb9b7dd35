#include "books/bookconfig.h"

#include "data/patientlistsql.h"
#include "data/shareddata.h"
#include "data/sqlliteral.h"

namespace {

const BookConfig kBooks[] = {
    {
        .kind = BookKind::Doctors,
        .windowName = QStringLiteral("fmDoc"),
        .caption = QStringLiteral("Справочник врачей"),
        .gridName = QStringLiteral("dbgDocs"),
        .menuName = QStringLiteral("pmDocs"),
        .helpTopic = 40,
        .helpHint = QStringLiteral("Показать справку по заполнению справочника врачей (F1)"),
        .dataset = &SharedData::ibdsDocs,
        .source = &SharedData::dsDocs,
        .table = QStringLiteral("DOCS"),
        .keyField = QStringLiteral("D_ID"),
        .nameField = QStringLiteral("D_FIO"),
        .columnTitle = QStringLiteral("Врач"),
        .defaultSql = SharedData::kDocsSelect,
        .referrer = &SharedData::ibdsCard,
        .referrerTable = QStringLiteral("CARD"),
        .referrerField = QStringLiteral("C_DOC"),
        .fixedSize = true,
        .editableAtFirst = false,
        .hasActiveFlag = true,
        .deleteQuestion =
            QStringLiteral("Если врач больше не ведёт приёмов, снимите галочку \"Активен\" "
                           "(щёлкните два раза).\nВсё равно удалить врача?"),
        .addHint = QStringLiteral("Добавить нового врача (Ins)"),
        .patientsHint = QStringLiteral("Показать пациентов выбранного врача"),
        .patientsSql = &patientlistsql::patientsOfDoctor,
    },
    {
        .kind = BookKind::Diagnoses,
        .windowName = QStringLiteral("fmDiag"),
        .caption = QStringLiteral("Справочник диагнозов"),
        .gridName = QStringLiteral("dbgDiag"),
        .menuName = QStringLiteral("pmDiag"),
        .helpTopic = 42,
        .helpHint = QStringLiteral("Показать справку по заполнению справочника диагнозов (F1)"),
        .dataset = &SharedData::ibdsDiag,
        .source = &SharedData::dsDiag,
        .table = QStringLiteral("DIAG"),
        .keyField = QStringLiteral("Z_ID"),
        .nameField = QStringLiteral("Z_NAME"),
        .columnTitle = QStringLiteral("Диагноз"),
        .defaultSql = SharedData::kDiagSelect,
        .referrer = &SharedData::ibdsDiagnoz,
        .referrerTable = QStringLiteral("DIAGNOZ"),
        .referrerField = QStringLiteral("G_DIAG"),
        .fixedSize = false,
        .editableAtFirst = true,
        .hasActiveFlag = false,
        .deleteQuestion = QStringLiteral("Восстановление будет невозможно.\nУдалить диагноз?"),
        .addHint = QStringLiteral("Добавить новый диагноз (Ins)"),
        .patientsHint = QStringLiteral("Показать пациентов с выбранным диагнозом"),
        .patientsSql = &patientlistsql::patientsOfDiagnosis,
    },
    {
        .kind = BookKind::Interventions,
        .windowName = QStringLiteral("fmVmesh"),
        .caption = QStringLiteral("Справочник вмешательств"),
        .gridName = QStringLiteral("dbgVmesh"),
        .menuName = QStringLiteral("pmVmesh"),
        .helpTopic = 44,
        .helpHint = QStringLiteral("Показать справку по заполнению справочника вмешательств (F1)"),
        .dataset = &SharedData::ibdsVmes,
        .source = &SharedData::dsVmes,
        .table = QStringLiteral("VMESH"),
        .keyField = QStringLiteral("E_ID"),
        .nameField = QStringLiteral("E_NAME"),
        .columnTitle = QStringLiteral("Вмешательство"),
        .defaultSql = SharedData::kVmesSelect,
        .referrer = &SharedData::ibdsVmeshat,
        .referrerTable = QStringLiteral("VMESHAT"),
        .referrerField = QStringLiteral("V_VMESH"),
        .fixedSize = false,
        .editableAtFirst = true,
        .hasActiveFlag = false,
        .deleteQuestion =
            QStringLiteral("Восстановление будет невозможно.\nУдалить вид вмешательства?"),
        .addHint = QStringLiteral("Добавить новый вид вмешательства (Ins)"),
        .patientsHint = QStringLiteral("Показать пациентов с выбранным видом вмешательства"),
        .patientsSql = &patientlistsql::patientsOfIntervention,
    },
};

} // namespace

const BookConfig &bookConfig(BookKind kind) {
    return kBooks[int(kind)];
}

namespace bookrules {

const QString kInUseCaption = QStringLiteral("Нельзя удалить - есть пациенты");
const QString kSearchPrompt = QStringLiteral("[Поиск]");

std::optional<QString> listSql(const BookConfig &book, const QString &searchText) {
    if (searchText.isEmpty())
        return book.defaultSql;
    if (searchText.size() == 1)
        return std::nullopt;
    return QStringLiteral("select * from %1 where (UPPER(%2) CONTAINING UPPER(%3))order by %2")
        .arg(book.table, book.nameField, sqlStringLiteral(searchText));
}

QString referenceCountSql(const BookConfig &book) {
    return QStringLiteral("select count(*) from %1 where %2 = :ID")
        .arg(book.referrerTable, book.referrerField);
}

QString namesakeCountSql(const BookConfig &book) {
    // The typed name is compared in the collation of the book's column, which knows the
    // capitals of Cyrillic letters.
    return QStringLiteral("select count(*) from %1 where %2 <> :ID and UPPER(TRIM(%3)) = "
                          "UPPER(TRIM(CAST(:NAME AS VARCHAR(100) CHARACTER SET WIN1251) "
                          "COLLATE PXW_CYRL))")
        .arg(book.table, book.keyField, book.nameField);
}

QString namesakeQuestion(const QString &name) {
    return QStringLiteral("«%1» уже есть в справочнике. Добавить ещё одну запись?").arg(name);
}

} // namespace bookrules
