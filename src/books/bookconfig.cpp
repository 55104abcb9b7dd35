#include "books/bookconfig.h"

#include "data/patientlistsql.h"
#include "data/shareddata.h"
#include "data/sqlliteral.h"

namespace {

const BookConfig kBooks[] = {
    {
        BookKind::Doctors,
        QStringLiteral("fmDoc"),
        QStringLiteral("Справочник врачей"),
        QStringLiteral("dbgDocs"),
        QStringLiteral("pmDocs"),
        40,
        QStringLiteral("Показать справку по заполнению справочника вречей (F1)"),
        &SharedData::ibdsDocs,
        &SharedData::dsDocs,
        QStringLiteral("DOCS"),
        QStringLiteral("D_ID"),
        QStringLiteral("D_FIO"),
        QStringLiteral("Врач"),
        SharedData::kDocsSelect,
        &SharedData::ibdsCard,
        QStringLiteral("CARD"),
        QStringLiteral("C_DOC"),
        true,
        false,
        true,
        QStringLiteral("Если врач больше не ведёт приёмов, снимите галочку \"Активен\" "
                       "(щёлкните два раза).\nВсё равно удалить врача?"),
        QStringLiteral("Добавить нового врача (Ins)"),
        QStringLiteral("Показать пациентов выбранного врача"),
        &patientlistsql::patientsOfDoctor,
    },
    {
        BookKind::Diagnoses,
        QStringLiteral("fmDiag"),
        QStringLiteral("Справочник диагнозов"),
        QStringLiteral("dbgDiag"),
        QStringLiteral("pmDiag"),
        42,
        QStringLiteral("Показать справку по заполнению справочника диагнозов (F1)"),
        &SharedData::ibdsDiag,
        &SharedData::dsDiag,
        QStringLiteral("DIAG"),
        QStringLiteral("Z_ID"),
        QStringLiteral("Z_NAME"),
        QStringLiteral("Диагноз"),
        SharedData::kDiagSelect,
        &SharedData::ibdsDiagnoz,
        QStringLiteral("DIAGNOZ"),
        QStringLiteral("G_DIAG"),
        false,
        true,
        false,
        QStringLiteral("Восстановление будет невозможно.\nУдалить диагноз?"),
        QStringLiteral("Добавить новый диагноз (Ins)"),
        QStringLiteral("Показать пациентов с выбранным диагозом"),
        &patientlistsql::patientsOfDiagnosis,
    },
    {
        BookKind::Interventions,
        QStringLiteral("fmVmesh"),
        QStringLiteral("Справочник вмешательств"),
        QStringLiteral("dbgVmesh"),
        QStringLiteral("pmVmesh"),
        44,
        QStringLiteral("Показать справку по заполнению справочника вмешательств (F1)"),
        &SharedData::ibdsVmes,
        &SharedData::dsVmes,
        QStringLiteral("VMESH"),
        QStringLiteral("E_ID"),
        QStringLiteral("E_NAME"),
        QStringLiteral("Вмешательство"),
        SharedData::kVmesSelect,
        &SharedData::ibdsVmeshat,
        QStringLiteral("VMESHAT"),
        QStringLiteral("V_VMESH"),
        false,
        true,
        false,
        QStringLiteral("Восстановление будет невозможно.\nУдалить вид вмешательства?"),
        QStringLiteral("Добавить новый вид вмешательства (Ins)"),
        QStringLiteral("Показать пациентов с выбранным видом вмешательства"),
        &patientlistsql::patientsOfIntervention,
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
