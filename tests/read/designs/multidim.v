module multidim_m(input clk, input [1:0] i, j, input [7:0] d, output [7:0] q);
  reg [7:0] grid [0:3][0:3];
  always @(posedge clk) grid[i][j] <= d;
  assign q = grid[j][i];
endmodule
