#pragma once

#include "medicaltext.h"

#include <QDate>

#include <functional>
#include <random>

class Connection;
class Transaction;

// Fills an empty register with made-up patients, visits, diagnoses and interventions, the same
// for the same seed. Keys come from the register's own generators, taken a batch at a time;
// every batch is committed while retaining the transaction, so progress can be shown.
class RegisterGenerator {
public:
    RegisterGenerator(Connection &connection, Transaction &transaction, quint64 seed, QDate today);

    // Doctors (a few of them no longer seeing patients), diagnoses and interventions.
    void writeBooks();
    // `progress` is told the number of patients written after every batch.
    void writePatients(int count, const std::function<void(int written, int visits)> &progress);

private:
    struct Batch;
    void generate(Batch &batch, int patients);
    void write(Batch &batch);
    int takeKeys(const char *generator, int count);

    Connection &m_connection;
    Transaction &m_transaction;
    std::mt19937_64 m_random;
    MedicalText m_text;
    QDate m_today;
    int m_doctors = 0, m_diagnoses = 0, m_interventions = 0;
    int m_visitsWritten = 0;
};
