#include "finitedifference/financialbase.h"

financialbase::~financialbase() = default;

methodcarries::~methodcarries() = default;

void methodcarries::nothing() {}
