// MEM-1 fixed: one register in place of the memory.
module mem1_fixed(input clk, input rst_n, input we, input [7:0] d, output reg [7:0] q);
  always @(posedge clk or negedge rst_n)
    if (!rst_n) q <= 8'd0;
    else if (we) q <= d;
endmodule
