#include "medicaltext.h"

namespace {

QStringList words(const char16_t *text) {
    return QString::fromUtf16(text).split(QLatin1Char('|'));
}

const QStringList kComplaints =
    words(u"боли в эпигастрии после еды|изжогу|тошноту по утрам|горечь во рту|вздутие живота|"
          u"слабость|головную боль|головокружение|кашель с мокротой|одышку при ходьбе|"
          u"боли в пояснице|повышение температуры до 38,5|боли в горле при глотании|"
          u"сердцебиение|отёки голеней к вечеру|боли в правом подреберье|снижение аппетита|"
          u"нарушение сна|боли в коленных суставах|жжение при мочеиспускании");
const QStringList kStatus =
    words(u"Состояние удовлетворительное|Кожные покровы обычной окраски|Зев спокоен|"
          u"В лёгких дыхание везикулярное, хрипов нет|Тоны сердца ясные, ритмичные|"
          u"ЧСС 78 в мин|АД 130/85 мм рт.ст.|Живот мягкий, болезненный в эпигастрии|"
          u"Печень по краю рёберной дуги|Симптом поколачивания отрицательный с обеих сторон|"
          u"Отёков нет|Язык обложен белым налётом|Т тела 37,2|Стул оформленный");
const QStringList kExaminations =
    words(u"ОАК|ОАМ|биохимия крови /АЛТ, АСТ, билирубин/|ФГДС|УЗИ органов брюшной полости|"
          u"ЭКГ|рентгенография органов грудной клетки|глюкоза крови натощак|"
          u"ФЛГ от 2019г|кал на скрытую кровь|УЗИ почек|липидограмма");
const QStringList kRecommendations =
    words(u"Диета стол N5|Омепразол 20 мг 2 раза в день 14 дней|Де-нол по 1 таб. 3 р/д|"
          u"Контроль ОАК через 10 дней|Явка через 2 недели|Обильное питьё|"
          u"Парацетамол 500 мг при Т выше 38,5|Консультация кардиолога|"
          u"Ограничить соль до 5 г/сут|ЛФК|Эналаприл 5 мг утром|Повторить ЭКГ через месяц");
const QStringList kDiseaseAnamnesis =
    words(u"Болеет в течение недели|Ухудшение после погрешности в диете|"
          u"Считает себя больным с 2015г|Обострения 1-2 раза в год, весной и осенью|"
          u"Лечился амбулаторно с кратковременным эффектом|Заболел остро после переохлаждения|"
          u"Ранее обследовался в ОКБ N2|Состоит на учёте у терапевта");
const QStringList kLifeAnamnesis =
    words(u"Перенесённые заболевания: ОРВИ, ветряная оспа в детстве|Аллергия на пенициллин|"
          u"Аллергологический анамнез не отягощён|Операции: аппендэктомия в 1990г|"
          u"Туберкулёз, гепатит, венерические заболевания отрицает|Курит с 18 лет|"
          u"Наследственность: у матери гипертоническая болезнь|Гемотрансфузий не было|"
          u"Травмы: перелом правой лучевой кости в 2003г|Работает водителем");
const QStringList kDiagnosisNotes =
    words(u"обострение|ремиссия|впервые выявлен|под вопросом|стадия 1|стадия 2|"
          u"с частыми обострениями|лёгкое течение|средней тяжести|контроль через месяц");

const QStringList kDiseases =
    words(u"Гастрит|Дуоденит|Язвенная болезнь желудка|Язвенная болезнь 12-перстной кишки|"
          u"ГЭРБ|Холецистит|Панкреатит|Гепатоз|Колит|Синдром раздражённого кишечника|"
          u"Гипертоническая болезнь|ИБС|Стенокардия напряжения|Кардиосклероз|Миокардит|"
          u"Бронхит|Пневмония|Бронхиальная астма|Трахеит|Фарингит|Тонзиллит|Ринит|Синусит|"
          u"Пиелонефрит|Цистит|Мочекаменная болезнь|Остеохондроз|Артроз|Артрит|Подагра|"
          u"Сахарный диабет|Гипотиреоз|Анемия|Ожирение|ОРВИ|Грипп|Дерматит|Экзема|"
          u"Мигрень|Невралгия");
const QStringList kQualifiers =
    words(u"острый|хронический|хронический, обострение|хронический, ремиссия|"
          u"неуточнённый|рецидивирующий|осложнённый");
const QStringList kInterventions =
    words(u"ФГДС|Колоноскопия|УЗИ брюшной полости|ЭКГ|Холтер ЭКГ|СМАД|Спирометрия|"
          u"Рентгенография|Внутримышечная инъекция|Внутривенная инъекция|Капельница|"
          u"Промывание желудка|Перевязка|Снятие швов|Вскрытие абсцесса|Пункция|"
          u"Забор крови|Вакцинация|Ингаляция|Физиотерапия|Массаж|ЛФК|Электрофорез|"
          u"Магнитотерапия|УВЧ|Обработка раны|Блокада|Промывание лакун миндалин|"
          u"Удаление серных пробок|Измерение ВГД");
const QStringList kSites =
    words(u"|, повторно|, первично|, контроль|, с контрастом|, под местной анестезией|, на дому");

} // namespace

QString MedicalText::hurried(const QStringList &phrases, int maxLength) {
    QString text;
    const int count = 1 + below(4);
    for (int i = 0; i < count; ++i) {
        QString phrase = pick(phrases);
        if (!text.isEmpty()) {
            if (chance(30))
                text += QStringLiteral(","); // no space after the comma
            else if (chance(10))
                text += QStringLiteral(" ,  "); // space before, doubled after
            else if (chance(10))
                text += QStringLiteral(",\r\n"); // a line broken inside the sentence
            else
                text += QStringLiteral(", ");
            phrase[0] = phrase[0].toLower();
        }
        text += phrase;
    }
    if (chance(15))
        text += QStringLiteral(" \"см. выписку\"");
    if (!chance(20))
        text += QLatin1Char('.');
    return text.left(maxLength);
}

QString MedicalText::complaints() {
    return QStringLiteral("На ") + hurried(kComplaints, 590);
}
QString MedicalText::status() {
    return hurried(kStatus, 600);
}
QString MedicalText::examination() {
    return hurried(kExaminations, 600);
}
QString MedicalText::recommendations() {
    QString text;
    const int count = 1 + below(4);
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("%1. %2\r\n").arg(i).arg(pick(kRecommendations));
    return text.left(600);
}
QString MedicalText::diseaseAnamnesis() {
    return hurried(kDiseaseAnamnesis, 600);
}
QString MedicalText::lifeAnamnesis() {
    return hurried(kLifeAnamnesis, 600);
}
QString MedicalText::diagnosisNote() {
    return pick(kDiagnosisNotes);
}

QStringList MedicalText::diagnosisBook() {
    QStringList book;
    for (const QString &disease : kDiseases)
        for (const QString &qualifier : kQualifiers)
            book << disease + QLatin1Char(' ') + qualifier;
    return book; // 40 × 7 = 280 names
}

QStringList MedicalText::interventionBook() {
    QStringList book;
    for (const QString &intervention : kInterventions)
        for (const QString &site : kSites)
            book << intervention + site;
    return book; // 30 × 7 = 210 names
}

QStringList MedicalText::doctorBook() {
    return words(u"Аверина Т.С.|Белов П.Н.|Власова Е.А.|Гордеев И.В.|Дмитриева О.Л.|"
                 u"Ершов В.В.|Жукова Н.П.|Зимин А.Г.|Исаева М.Р.|Кравченко-Соболевская "
                 u"Александра Викторовна|Лаптев С.С.|Мухина Г.Ф.");
}
