// Keeps fathom_sim a valid library until the simulator lands.
namespace sim { int placeholder() { return 0; } }
