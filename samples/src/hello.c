#include <stdio.h>

/* Prints the number of readings of each station in the table. */
int main(void) {
  char line[256];
  int counts[32] = {0};
  FILE *table = fopen("data/table.csv", "r");
  if (!table) return 1;
  fgets(line, sizeof line, table); /* header */
  while (fgets(line, sizeof line, table)) {
    int station = 0;
    if (sscanf(line, "%*[^,],%d", &station) == 1 && station >= 0 && station < 32) counts[station]++;
  }
  fclose(table);
  for (int i = 0; i < 32; i++)
    if (counts[i]) printf("station %2d: %d readings\n", i, counts[i]);
  return 0;
}
