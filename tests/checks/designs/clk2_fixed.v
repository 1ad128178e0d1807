// CLK-2 fixed: one clock, one edge (the inverter on the way is allowed).
module clk2_fixed(input clk, input rst_n, input [1:0] d, output reg [1:0] qa, output reg qb);
  wire clk_n = ~clk;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) qa <= 2'd0;
    else qa <= d;
  always @(negedge clk_n or negedge rst_n)
    if (!rst_n) qb <= 1'b0;
    else qb <= qa[0];
endmodule
